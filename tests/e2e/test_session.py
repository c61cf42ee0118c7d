"""A long session: one host thread calling every slot in turn for thousands of rounds
against the local server, as a game does over an evening. What the process holds of
the system (heap in use, resident memory, open descriptors or handles) must not grow
between the end of a warm-up and the end of the session."""

import json
import os
import sqlite3
import subprocess
import sys
import time

import harness

HASH = "0123456789abcdef0123456789abcdef"         # the board and the ghosts
PLAYED = "fedcba9876543210fedcba9876543210"       # the chart the session submits to
ROUNDS = int(os.environ.get("QUORVANE_SESSION_ROUNDS", "3000"))
WARM_UP = min(300, ROUNDS // 10)
# Growth allowed between the warm-up and the end. Measured over 2,700 rounds: heap in
# use moved by -240 KiB (Linux, whose libraries let go of caches) to -1 KiB (Wine),
# resident memory by -240 to +400 KiB (the heap's layout shifts under Wine),
# descriptors and handles by a few at most (Wine's own threads come and go). 200 bytes
# of heap lost a round grew the heap by 310 KiB (Linux, net of its caches) and 526 KiB
# (Wine), the resident memory by 590 to 900 KiB; a descriptor lost a round grew their
# count by as many.
MAX_HEAP_GROWTH = 64 * 1024
MAX_RESIDENT_GROWTH = 1024 * 1024
MAX_HANDLE_GROWTH = 8
PLAY = {"song": {"hash": PLAYED, "title": "Session"}, "judgements_total": {"epg": 10},
        "exscore": 20, "clearType": 3, "ghost": "session-ghost"}


class Session(harness.ServerTestCase):
    def setUp(self):
        super().setUp()
        # Every submission reads the config file and the player's score database, as
        # in a game.
        with sqlite3.connect(self.make_host_files()) as db:
            db.execute("INSERT INTO score VALUES (?,3,5,5,0,0,0,10,10,0,1,1,0,1,50,0,0,0,0,7,"
                       "'stored-ghost')", (PLAYED,))
        for player in (7, 8):
            self.ir.add_play(player, HASH, pgreat=100 + player, ghost_data=f"ghost-{player}")

    def test_every_slot_in_turn_for_a_long_session(self):
        play_file = os.path.join(self.scratch, "play.json")
        with open(play_file, "w") as f:
            json.dump(PLAY, f)
        native = self.host.native_path
        start = time.monotonic()
        done = subprocess.run([*self.host.emulator, self.host.tool("quorvane-load"),
                               "--plugin", native(self.plugin), "--hash", HASH,
                               "--play", native(play_file), "--threads", "1",
                               "--rounds", str(ROUNDS), "--warm-up", str(WARM_UP)],
                              cwd=self.workdir, capture_output=True, timeout=1500)
        self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))
        tally = json.loads(done.stdout)
        usage = tally["usage"]
        sys.stderr.write(f"session: {ROUNDS} rounds of every slot, {len(self.ir.requests())} "
                         f"requests in {time.monotonic() - start:.1f} s; after {WARM_UP} rounds "
                         f"{usage['after_warm_up']}, at the end {usage['at_end']}\n")

        self.assertEqual(tally["invalid_results"], 0)
        self.assertEqual(tally["results"]["login"], {"true": ROUNDS})
        for slot in ("submit", "rank", "rank-cached", "ghost"):
            self.assertEqual(tally["results"][slot], {"0": ROUNDS}, slot)
        self.assertEqual(tally["cached_rows"], {"2": ROUNDS})
        played = [s for s in self.ir.scores() if s.hash == PLAYED]
        self.assertEqual(len(played), ROUNDS, "every play reached the server")

        before, after = usage["after_warm_up"], usage["at_end"]
        self.assertIsNotNone(before, "the system tells the process's usage")
        for measure, bound in (("heap_bytes", MAX_HEAP_GROWTH),
                               ("resident_bytes", MAX_RESIDENT_GROWTH),
                               ("handles", MAX_HANDLE_GROWTH)):
            self.assertLessEqual(after[measure] - before[measure], bound, measure)


if __name__ == "__main__":
    harness.main()
