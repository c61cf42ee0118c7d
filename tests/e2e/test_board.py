"""The ranking slots end to end: boards from the local IR server and the cache beside
the plugin."""

import json
import os
import time
import zlib

import harness

CHART_BOARD = "/api/chart/board"
COURSE_BOARD = "/api/course/board"
HASH = "0123456789abcdef0123456789abcdef"
LONG = "0123456789abcdef" * 4  # 64 characters: a course

EMPTY_BOARD = {"entries": [], "clear_distribution": [0] * 6, "fetched_at": 0, "my_rank": 0,
               "player_count": 0, "total_playcount": 0}

# (player_id, api key, display name); the test's own player is added by the harness.
PLAYERS = [(11, "key-alpha", "Alpha"), (22, "key-beta", "Beta"), (33, "key-gamma", "Γάμμα")]

# Every count differs from the others in its play, so a field read into another one shows.
# (player_id, pgreat, great, good, bad, poor, max_combo, clear_type)
PLAYS = [
    (11, 380, 90, 12, 5, 7, 400, 4),     # Alpha's first try, EX 850
    (11, 400, 100, 10, 4, 6, 432, 5),    # EX 900, Alpha's best
    (123456, 340, 120, 30, 3, 1, 390, 3),  # EX 800
    (22, 350, 100, 20, 1, 2, 470, 4),    # EX 800: the lower player id is listed first
    (33, 100, 100, 50, 8, 9, 160, 7),    # EX 300, a clear type the host has no lamp for
]


def host_entry(player_id, name, playcount, clear_type, pgreat, great, good, bad, poor, maxcombo):
    return {"display_name": name, "player_id": player_id, "playcount": playcount,
            "clear_type": clear_type, "notes": pgreat + great + good + bad + poor,
            "maxcombo": maxcombo, "pgreat": pgreat, "great": great, "good": good, "bad": bad,
            "poor": poor, "minbp": bad + poor}


SEEDED_ENTRIES = [
    host_entry(11, "Alpha", 2, 5, 400, 100, 10, 4, 6, 432),
    host_entry(22, "Beta", 1, 4, 350, 100, 20, 1, 2, 470),
    host_entry(123456, "E2E Player", 1, 3, 340, 120, 30, 3, 1, 390),
    host_entry(33, "Γάμμα", 1, 0, 100, 100, 50, 8, 9, 160),
]


class Board(harness.ServerTestCase):
    def seed(self, hash=HASH):
        for player_id, key, name in PLAYERS:
            self.ir.add_player(key, player_id, name)
        for player_id, pgreat, great, good, bad, poor, max_combo, clear_type in PLAYS:
            self.ir.add_play(player_id, hash, pgreat=pgreat, great=great, good=good, bad=bad,
                             poor=poor, max_combo=max_combo, clear_type=clear_type)

    def rank(self, hash=HASH, command="rank"):
        out = self.slot(command, hash)
        return out["result"], out["board"]

    def cache_file(self, name=HASH):
        return os.path.join(self.plugin_dir, "IR", name + ".json")

    def submit(self, hash):
        path = os.path.join(self.scratch, "play.json")
        with open(path, "w") as f:
            json.dump({"song": {"hash": hash, "title": "E2E"}, "exscore": 10,
                       "judgements_total": {"epg": 5, "notes_total": 5}}, f)
        return self.slot("submit", self.host.native_path(path))["result"]

    def test_board_is_fetched_cached_and_read_back(self):
        self.seed()
        before = int(time.time())
        result, board = self.rank()
        after = int(time.time())
        self.assertEqual(result, 0)
        self.assertEqual(board["entries"], SEEDED_ENTRIES)
        # The server counts clear types 0 to 5 only: Gamma's 7 is in no column.
        self.assertEqual(board["clear_distribution"], [0, 0, 0, 1, 1, 1])
        self.assertEqual(board["my_rank"], 2, "tied with Beta, listed after")
        self.assertEqual(board["player_count"], 4)
        self.assertEqual(board["total_playcount"], 5)
        self.assertGreaterEqual(board["fetched_at"], before)
        self.assertLessEqual(board["fetched_at"], after)
        [request] = self.ir.requests()
        self.assertEqual((request.method, request.path), ("GET", CHART_BOARD))
        self.assertEqual(request.query, f"hash={HASH}&limit=999&offset=0")
        self.assertTrue(request.auth_ok, request.auth_error)
        with open(self.cache_file(), encoding="utf-8") as f:
            self.assertEqual(json.load(f)["hash"], HASH)

        result, cached = self.rank(command="rank-cached")
        self.assertEqual(result, 0)
        del board["fetched_at"], cached["fetched_at"]
        self.assertEqual(cached, board)
        self.assertEqual(len(self.ir.requests()), 1, "the cached board needs no request")

    def test_endpoint_and_cache_file_name_follow_the_hash(self):
        cases = [  # (hash, endpoint, query's hash, cache file name)
            ("ab c/d.e", CHART_BOARD, "ab%20c%2Fd.e", "ab_c_d_e"),
            (LONG[:63], CHART_BOARD, LONG[:63], f"{zlib.crc32(LONG[:63].encode()):08x}"),
            (LONG, COURSE_BOARD, LONG, f"{zlib.crc32(LONG.encode()):08x}"),
        ]
        for hash, endpoint, query_hash, name in cases:
            self.ir.clear_requests()
            self.ir.add_play(22, hash, pgreat=7)
            result, board = self.rank(hash)
            self.assertEqual(result, 0, hash)
            self.assertEqual([e["pgreat"] for e in board["entries"]], [7], hash)
            [request] = self.ir.requests()
            self.assertEqual(request.path, endpoint, hash)
            self.assertEqual(request.query, f"hash={query_hash}&limit=999&offset=0")
            self.assertTrue(os.path.isfile(self.cache_file(name)), hash)

    def test_refused_or_unreadable_board_is_neither_kept_nor_cached(self):
        served = {"entries": [{"player_id": 1, "display_name": "Not shown", "pgreat": 9}],
                  "my_rank": 1, "player_count": 1, "total_playcount": 1,
                  "clear_distribution": [0, 0, 0, 0, 0, 1]}
        not_json = b"<html>busy</html>"
        cases = [  # (fault, result, log lines after the request line)
            ({"status": 404, "body": served}, 2,
             [f"INFO | board_fetch_done | status_code=404 mapped_status=Fail "
              f"body_size={len(json.dumps(served))}"]),
            ({"status": 200, "body": not_json}, 2,
             [f"INFO | board_fetch_done | status_code=200 mapped_status=Ok "
              f"body_size={len(not_json)}",
              f"WARN | board_parse_fail | body_size={len(not_json)}"]),
        ]
        for fault, want, lines in cases:
            self.ir.clear_requests()
            log = os.path.join(self.plugin_dir, "debug.log")
            if os.path.exists(log):
                os.remove(log)
            self.ir.script(CHART_BOARD, [fault])
            result, board = self.rank()
            self.assertEqual(result, want, fault["status"])
            self.assertEqual(board, EMPTY_BOARD)
            self.assertFalse(os.path.exists(self.cache_file()))
            self.assertEqual(len(self.ir.requests(CHART_BOARD)), 1, "answered, so not retried")
            self.assertEqual(self.log()[1:], lines)

    def test_submission_drops_the_cached_board(self):
        self.seed()
        self.assertEqual(self.rank()[0], 0)
        self.assertTrue(os.path.exists(self.cache_file()))
        self.assertEqual(self.submit(HASH), 0)
        self.assertFalse(os.path.exists(self.cache_file()))
        self.ir.clear_requests()
        self.assertEqual(self.rank(command="rank-cached"), (2, EMPTY_BOARD))
        self.assertEqual(self.ir.requests(), [])


if __name__ == "__main__":
    harness.main()
