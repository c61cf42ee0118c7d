"""Boards computed from the stored plays, and scripted boards."""

import os
import tempfile
import threading
import unittest

from irserver.store import Store

from .support import KEY, PLAYER, RANKED, RANKED_QUERY, RankedCase

BOARD = f"/api/chart/board?hash={RANKED_QUERY}&limit=999&offset=0"
# (player_id, rank, exscore, clear_type, playcount, display_name) in board order
RANKED_ROWS = [(1, 1, 950, 2, 1, "One"), (2, 1, 950, 5, 3, "Two"), (3, 3, 800, 7, 1, "Three"),
               (9, 3, 800, 0, 1, ""), (4, 5, 701, 1, 2, "Four")]


def summary(entries):
    return [(e["player_id"], e["rank"], e["exscore"], e["clear_type"], e["playcount"],
             e["display_name"]) for e in entries]


class BoardTest(RankedCase):
    def test_rows_on_both_board_endpoints(self):
        for path in ("/api/chart/board", "/api/course/board"):
            with self.subTest(path):
                status, board = self.get_json(f"{path}?hash={RANKED_QUERY}&limit=999&offset=0")
                self.assertEqual(status, 200, board)
                self.assertEqual(summary(board["entries"]), RANKED_ROWS)
                self.assertEqual((board["player_count"], board["total_playcount"],
                                  board["clear_distribution"]), (5, 8, [1, 1, 1, 0, 0, 1]))

    def test_row_fields(self):
        # Player 2's best is the first 950; the later 950 (a tie) is not used.
        row = self.get_json(BOARD)[1]["entries"][1]
        self.assertEqual(row, {
            "rank": 1, "player_id": 2, "display_name": "Two", "exscore": 950,
            "notes": 401 + 148 + 12 + 3 + 7, "clear_type": 5, "pgreat": 401, "great": 148,
            "good": 12, "bad": 3, "poor": 7, "maxcombo": 555, "minbp": 10, "playcount": 3,
            "option_packed": 1234, "keymode": 14})

    def test_my_rank(self):
        for key, want in (("k1", (1, 1)), ("k2", (1, 2)), ("k3", (3, 3)), ("k4", (5, 4)),
                          (KEY, (0, PLAYER))):
            with self.subTest(key):
                board = self.get_json(BOARD, key=key)[1]
                self.assertEqual((board["my_rank"], board["my_player_id"]), want)

    def test_limit_and_offset(self):
        cases = {
            "limit=999&offset=0": [1, 2, 3, 9, 4],
            "": [1, 2, 3, 9, 4],
            "limit=2&offset=0": [1, 2],
            "limit=2&offset=3": [9, 4],
            "offset=2": [3, 9, 4],
            "limit=10&offset=4": [4],
            "limit=5&offset=5": [],
            "limit=0&offset=0": [],
        }
        for query, want in cases.items():
            with self.subTest(query):
                status, board = self.get_json(f"/api/chart/board?hash={RANKED_QUERY}&{query}")
                self.assertEqual(status, 200, board)
                self.assertEqual([e["player_id"] for e in board["entries"]], want)
                self.assertEqual((board["player_count"], board["my_player_id"]), (5, PLAYER))
        self.assertEqual(summary(self.get_json(f"/api/chart/board?hash={RANKED_QUERY}&limit=2&offset=2")[1]
                                 ["entries"]), RANKED_ROWS[2:4])

    def test_bad_queries(self):
        for query in ("", "hash=", "limit=5", f"hash={RANKED_QUERY}&limit=-1",
                      f"hash={RANKED_QUERY}&offset=x", f"hash={RANKED_QUERY}&limit=1.5"):
            with self.subTest(query):
                status, reply = self.get_json(f"/api/chart/board?{query}")
                self.assertEqual(status, 400)
                self.assertIn("error", reply)

    def test_empty_board(self):
        status, board = self.get_json("/api/course/board?hash=nobody%20played&limit=999&offset=0")
        self.assertEqual((status, board), (200, {
            "entries": [], "player_count": 0, "total_playcount": 0,
            "clear_distribution": [0] * 6, "my_rank": 0, "my_player_id": PLAYER}))

    def test_scripted_board_wins(self):
        self.server.set_board(RANKED, {"entries": "scripted"})
        try:
            for path in ("/api/chart/board", "/api/course/board"):
                self.assertEqual(self.get_json(f"{path}?hash={RANKED_QUERY}"), (200, {"entries": "scripted"}))
        finally:
            self.server.set_board(RANKED, None)
        self.assertEqual(summary(self.get_json(BOARD)[1]["entries"]), RANKED_ROWS)


class DisplayNameTest(unittest.TestCase):
    def test_player_with_several_keys(self):
        cases = [  # players added in order -> display name of player 1
            ([("a", 1, "X")], "X"),
            ([("a", 1, "")], ""),
            ([("a", 1, "X"), ("b", 1, "")], "X"),
            ([("a", 1, "X"), ("b", 1, "Y")], "Y"),
            ([("a", 1, "X"), ("b", 1, "Y"), ("a", 1, "Z")], "Z"),
        ]
        for players, want in cases:
            with self.subTest(players=players), tempfile.TemporaryDirectory() as d:
                store = Store(os.path.join(d, "ir.sqlite"), threading.Lock())
                for p in players:
                    store.add_player(*p)
                self.assertEqual(store.display_names(), {1: want})
