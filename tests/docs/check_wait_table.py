"""The player's guide tells how long the plugin can hold the game. Its table must follow
from the release build's time-outs (the defaults in CMakeLists.txt) and the retry
schedule (src/net/retry.h): this recomputes every figure and compares."""

import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]


def defaults():
    text = (ROOT / "CMakeLists.txt").read_text()
    timeouts = {name.lower(): int(ms) / 1000 for name, ms in
                re.findall(r'set\(QUORVANE_([A-Z]+)_TIMEOUT_MS "([0-9]+)"', text)}
    pauses = re.search(r"kRetryPausesMs\[\] = \{([0-9, ]+)\}",
                       (ROOT / "src" / "net" / "retry.h").read_text()).group(1)
    return timeouts, [int(p) / 1000 for p in pauses.split(",")]


def duration(seconds):
    if seconds == 0:
        return "at once"
    if seconds < 120:
        return f"{int(seconds)} s"
    minutes, rest = divmod(int(seconds), 60)
    return f"{minutes} min" + (f" {rest} s" if rest else "")


def expected_rows():
    t, pauses = defaults()
    # (one attempt of a GET, the submission's one attempt), by kind of trouble in the
    # guide's order. A submission reads no body.
    kinds = [(t["connect"], t["connect"]),                        # server down
             (0, 0),                                              # network unplugged
             (t["receive"], t["receive"]),                        # silent after connecting
             (t["body"], 0),                                      # trickling reply
             (0, 0),                                              # certificate refused
             (t["connect"] + t["response"] + t["body"], t["connect"] + t["response"])]
    return [(duration(get), duration(len(pauses) * get + sum(pauses)), duration(post))
            for get, post in kinds]


def guide_rows():
    text = (ROOT / "docs" / "players.md").read_text()
    section = text.split("## How long the plugin can hold the game", 1)[1].split("\n## ", 1)[0]
    rows = [line for line in section.splitlines() if line.startswith("|")][2:]
    return [tuple(cell.strip() for cell in row.strip("|").split("|")[1:]) for row in rows]


def main():
    want, have = expected_rows(), guide_rows()
    if want != have:
        for i, (w, h) in enumerate(zip(want, have)):
            if w != h:
                print(f"docs/players.md, wait table row {i + 1}: has {h}, the build's "
                      f"time-outs give {w}")
        if len(want) != len(have):
            print(f"docs/players.md: the wait table has {len(have)} rows, not {len(want)}")
        return 1
    print(f"the wait table's {len(have)} rows follow from the build's time-outs")
    return 0


if __name__ == "__main__":
    sys.exit(main())
