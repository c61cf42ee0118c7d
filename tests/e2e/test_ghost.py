"""The ghost slot end to end against the local IR server."""

import harness

GHOST = "/api/chart/ghost"
HASH = "0123456789abcdef0123456789abcdef"
COURSE = "0123456789abcdef" * 4

EMPTY_GHOST = {"display_name": "", "ghost_data": "", "option_main": 0, "option_pair": [0, 0],
               "option_flag": False, "random_seed": -1, "average_exscore": 0}


def ghost(name, data, main, pair, flag, seed, average=0):
    return {"display_name": name, "ghost_data": data, "option_main": main, "option_pair": pair,
            "option_flag": flag, "random_seed": seed, "average_exscore": average}


# (player_id, api key, name, EX score, gauge option, random pair, dpflip, seed, ghost data);
# the test's own player is added by the harness. The server packs the options into
# decimal digits: gauge, random[0], random[1], dpflip.
PLAYERS = [
    (11, "key-alpha", "Alpha", 900, 4, (3, 2), 1, 4242, "alpha-ghost"),  # 1234
    (22, "key-beta", "Beta", 800, 7, (6, 1), 0, -77, "beta-ghost"),      # 167
    (123456, None, "E2E Player", 700, 0, (0, 0), 0, 0, "my-ghost"),      # 0
    (33, "key-gamma", "Gamma", 500, 2, (0, 5), 0, 33, None),             # 502
]

ALPHA = ghost("Alpha", "alpha-ghost", 5, [3, 2], True, 4242)
BETA = ghost("Beta", "beta-ghost", 0, [0, 1], False, -77)   # gauge digit 7: no main option
MINE = ghost("E2E Player", "my-ghost", 1, [0, 0], False, 0)
GAMMA = ghost("Gamma", "", 3, [0, 5], False, 33)


class Ghost(harness.ServerTestCase):
    def seed(self, hash, endpoint):
        for player_id, key, name, ex, gauge, random, dpflip, seed, data in PLAYERS:
            if key:
                self.ir.add_player(key, player_id, name)
            self.ir.add_play(player_id, hash, endpoint, exscore=ex, gauge_option=gauge,
                             random=random, dpflip=dpflip, random_seed=seed, ghost_data=data)

    def ghost(self, hash, mode, target):
        out = self.slot("ghost", hash, "--mode", mode, "--target", target)
        return out["result"], out["ghost"]

    def test_modes(self):
        self.seed(HASH, "/api/chart/score")
        self.seed(COURSE, "/api/course/score")
        cases = [  # (hash, --mode, --target, mode sent, ghost)
            (HASH, "target", 33, "target", GAMMA),
            # The target is sent whatever the mode, sign included.
            (HASH, "top", -5, "top", ALPHA),
            (HASH, "next", 0, "next", BETA),
            # (900 + 800 + 700 + 500) / 4, rounded down by the server
            (HASH, "average", 0, "average", dict(ALPHA, average_exscore=725)),
            (HASH, "7", 22, "target", BETA),
            # A course's ghost comes from the chart endpoint too.
            (COURSE, "-1", 123456, "target", MINE),
        ]
        for hash, mode, target, word, want in cases:
            self.ir.clear_requests()
            self.assertEqual(self.ghost(hash, mode, target), (0, want), mode)
            [request] = self.ir.requests()
            self.assertEqual((request.method, request.path), ("GET", GHOST))
            self.assertEqual(request.query, f"hash={hash}&target_player_id={target}&mode={word}")
            self.assertTrue(request.auth_ok, request.auth_error)

    def test_replies_the_server_scripts(self):
        served = {"display_name": "Alpha", "ghost_data": "alpha-ghost", "option_packed": 1234,
                  "random_seed": 4242, "average_exscore": 0}
        cases = [  # (fault, result, ghost)
            # Not JSON: answered, yet nothing to read; not even the main option 1 of no options.
            ({"body": b"<html>busy</html>"}, 0, EMPTY_GHOST),
            # A member of the wrong type or none at all reads as its default.
            ({"body": {"display_name": "Alpha", "ghost_data": 12345, "option_packed": 31,
                       "average_exscore": 640}}, 0, ghost("Alpha", "", 2, [3, 0], False, -1, 640)),
            ({"status": 404, "body": served}, 2, EMPTY_GHOST),
        ]
        for fault, result, want in cases:
            self.ir.clear_requests()
            self.ir.script(GHOST, [fault])
            self.assertEqual(self.ghost(HASH, "top", 0), (result, want), fault)
            self.assertEqual(len(self.ir.requests(GHOST)), 1, "answered, so not retried")


if __name__ == "__main__":
    harness.main()
