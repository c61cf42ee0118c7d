"""One host process calling every slot from eight threads against the local server."""

import json
import os
import re
import subprocess
import sys
import time

import harness

HASH = "0123456789abcdef0123456789abcdef"
LINE = re.compile(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \| (INFO|WARN|ERROR) \| [a-z0-9_]+"
                  r"( \| [^\n|]+)?")
THREADS = 8
# Each round calls all seven slots: 72 rounds are about 500 calls a thread.
ROUNDS = int(os.environ.get("QUORVANE_LOAD_ROUNDS", "72"))
# The log starts this close to its 2 MiB rotation threshold, as after a long session.
PAD_LOG = 2 * 1024 * 1024 - 200 * 1024
PLAY = {"song": {"hash": HASH, "title": "Load"}, "judgements_total": {"epg": 10},
        "exscore": 20, "clearType": 3}


class Load(harness.ServerTestCase):
    def setUp(self):
        super().setUp()
        config = os.path.join(self.workdir, "LR2files", "Config")
        os.makedirs(config)
        with open(os.path.join(config, "config.xml"), "w") as f:
            f.write(f"<player><id>{self.player_id}</id></player>")
        for player in (7, 8):
            self.ir.add_play(player, HASH, pgreat=100 + player)

    def test_every_slot_from_eight_threads(self):
        play_file = os.path.join(self.scratch, "play.json")
        with open(play_file, "w") as f:
            json.dump(PLAY, f)
        load = self.host.tool("quorvane-load")
        native = self.host.native_path
        start = time.monotonic()
        done = subprocess.run([*self.host.emulator, load, "--plugin", native(self.plugin),
                               "--hash", HASH, "--play", native(play_file),
                               "--threads", str(THREADS), "--rounds", str(ROUNDS),
                               "--pad-log", str(PAD_LOG)],
                              cwd=self.workdir, capture_output=True, timeout=1500)
        self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))
        tally = json.loads(done.stdout)
        sys.stderr.write(f"load: {THREADS} threads x {ROUNDS} rounds of every slot, "
                         f"{len(self.ir.requests())} requests in {time.monotonic() - start:.1f} s; "
                         f"cached reads {tally['cached_rows']}\n")

        calls = THREADS * ROUNDS
        self.assertEqual(tally["invalid_results"], 0)
        for slot in ("submit", "rank", "rank-cached", "ghost"):
            self.assertEqual(sum(tally["results"][slot].values()), calls, slot)
        self.assertEqual(tally["results"]["login"].get("true"), calls)
        self.assertEqual(tally["results"]["name"], {"QuorvaneIR": calls})
        for slot in ("submit", "rank", "ghost"):
            self.assertEqual(tally["results"][slot].get("0"), calls, (slot, tally["results"][slot]))
        # A cached read is a miss or one of the two whole boards (before and after this
        # player's first score).
        self.assertLessEqual(set(tally["cached_rows"]), {"2", "3"}, tally["cached_rows"])

        files = sorted(n for n in os.listdir(self.plugin_dir) if n.startswith("debug.log"))
        self.assertEqual(files, ["debug.log", "debug.log.old"], "the log rotated once at least")
        logs = {}
        for name in files:
            with open(os.path.join(self.plugin_dir, name), "rb") as f:
                text = f.read().decode("utf-8")
            self.assertTrue(text.endswith("\n"), name)
            lines = text[:-1].split("\n")
            bad = [line for line in lines if not LINE.fullmatch(line)]
            self.assertEqual(bad, [], f"{name}: torn or interleaved lines")
            logs[name] = [line[22:] for line in lines]

        # Each request writes a begin line and an end line; none goes missing.
        begin_events = ("http_begin", "login_fetch", "board_fetch", "ghost_fetch")
        done_events = ("http_done", "login_fetch_done", "board_fetch_done", "ghost_fetch_done")

        def count(lines, events, detail=""):
            return sum(1 for line in lines
                       if line.split(" | ")[1] in events and detail in line)

        for name, lines in logs.items():
            self.assertLessEqual(abs(count(lines, begin_events) - count(lines, done_events)),
                                 THREADS, name)
        everything = logs["debug.log.old"] + logs["debug.log"]
        if everything[0] == "INFO | session_start":
            # One rotation: the two files hold the whole run.
            answered = sum(1 for r in self.ir.requests() if r.status == 200)
            self.assertEqual(count(everything, done_events, "status_code=200"), answered)
            self.assertEqual(count(everything, ("db_query",)), calls)
            self.assertGreater(count(everything, ("load_padding",)), 0)

if __name__ == "__main__":
    harness.main()
