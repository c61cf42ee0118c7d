"""Ghosts picked from the stored plays, option packing, and scripted ghosts."""

import unittest

from .support import KEY, RANKED, RANKED_QUERY, RankedCase, ir_server


def ghost(name, ghost_data, packed, seed, average=0):
    return {"display_name": name, "ghost_data": ghost_data, "option_packed": packed,
            "random_seed": seed, "average_exscore": average}


# Each player's best play of the ranked hash, as a ghost.
BEST = {1: ghost("One", "", 0, 11), 2: ghost("Two", "G2", 1234, -77), 3: ghost("Three", "G3", 0, 33),
        9: ghost("", "G9", 0, 99), 4: ghost("Four", "G4", 0, 44)}


class GhostTest(RankedCase):
    def ghost(self, query, key=KEY):
        return self.get_json(f"/api/chart/ghost?{query}", key=key)

    def test_modes(self):
        h = f"hash={RANKED_QUERY}"
        cases = [  # (caller, query, expected reply)
            (KEY, f"{h}&target_player_id=2&mode=target", BEST[2]),
            (KEY, f"{h}&target_player_id=9&mode=target", BEST[9]),
            (KEY, f"{h}&target_player_id=4&mode=target", BEST[4]),
            ("k4", f"{h}&target_player_id=3&mode=target", BEST[3]),
            (KEY, f"{h}&target_player_id=0&mode=top", BEST[1]),
            ("k1", f"{h}&mode=top", BEST[1]),
            ("k3", f"{h}&target_player_id=0&mode=next", BEST[2]),
            ("k2", f"{h}&target_player_id=0&mode=next", BEST[1]),
            ("k4", f"{h}&target_player_id=0&mode=next", BEST[9]),
            (KEY, f"{h}&target_player_id=0&mode=next", BEST[4]),
            # (950 + 950 + 800 + 800 + 701) / 5 = 840.2
            (KEY, f"{h}&target_player_id=0&mode=average", dict(BEST[1], average_exscore=840)),
        ]
        for key, query, want in cases:
            with self.subTest(key=key, query=query):
                self.assertEqual(self.ghost(query, key=key), (200, want))

    def test_refusals(self):
        h = f"hash={RANKED_QUERY}"
        cases = [  # (caller, query, status)
            ("k1", f"{h}&target_player_id=0&mode=next", 404),
            (KEY, f"{h}&target_player_id=77&mode=target", 404),
            (KEY, f"{h}&target_player_id=-5&mode=target", 404),
            (KEY, "hash=nobody&target_player_id=1&mode=target", 404),
            (KEY, "hash=nobody&target_player_id=0&mode=top", 404),
            (KEY, "hash=nobody&target_player_id=0&mode=next", 404),
            (KEY, "hash=nobody&target_player_id=0&mode=average", 404),
            (KEY, f"{h}&target_player_id=1&mode=sideways", 400),
            (KEY, f"{h}&target_player_id=1&mode=", 400),
            (KEY, f"{h}&target_player_id=1", 400),
            (KEY, f"{h}&mode=target", 400),
            (KEY, f"{h}&target_player_id=x&mode=target", 400),
            (KEY, f"{h}&target_player_id=1.0&mode=target", 400),
            (KEY, "target_player_id=1&mode=target", 400),
        ]
        for key, query, status in cases:
            with self.subTest(key=key, query=query):
                got, reply = self.ghost(query, key=key)
                self.assertEqual(got, status)
                self.assertIsInstance(reply["error"], str)

    def test_scripted_ghost_wins(self):
        self.server.set_ghost(RANKED, b'{"ghost_data": "scripted"}')
        try:
            for mode in ("target", "top", "next", "average"):
                self.assertEqual(self.ghost(f"hash={RANKED_QUERY}&target_player_id=1&mode={mode}"),
                                 (200, {"ghost_data": "scripted"}))
        finally:
            self.server.set_ghost(RANKED, None)
        self.assertEqual(self.ghost(f"hash={RANKED_QUERY}&target_player_id=1&mode=target"), (200, BEST[1]))


class OptionPackedTest(unittest.TestCase):
    def test_digits(self):
        cases = [  # (gaugeOption, random, dpflip, packed)
            (4, [3, 2], 1, 1234),
            (0, [0, 0], 0, 0),
            (5, [1, 5], 0, 515),
            (9, [9, 9], 1, 1999),
            (12, [-1, 10], -3, 1909),
            (-4, [7, 0], 2, 1070),
        ]
        for gauge, random, dpflip, packed in cases:
            with self.subTest(gauge=gauge, random=random, dpflip=dpflip):
                doc = ir_server.sample_score_document("h", gauge_option=gauge, random=random, dpflip=dpflip)
                self.assertEqual(ir_server.option_packed(doc["settings"]), packed)
