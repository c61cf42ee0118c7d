"""The misbehaviour switches: each makes the server get one thing wrong, and only that."""

import json
import time

from ir_server import Misbehaviour

from .support import KEY, OMIT, PLAYER, ServerCase, https_call
from .test_cli import cli_server

LOGIN = "/api/ir/login"


class MisbehaviourTest(ServerCase):
    def test_checks_left_out(self):
        old = str(int(time.time()) - 3600)
        wrong = "0" * 64
        rows = [  # (switches, request, status)
            ({}, dict(sig=wrong), 401),
            ({"skip_signature_check": True}, dict(sig=wrong), 200),
            ({"skip_signature_check": True}, dict(sig=OMIT), 200),
            ({"skip_signature_check": True}, dict(ts=old), 401),
            ({"skip_timestamp_check": True}, dict(ts=old), 200),
            ({"skip_timestamp_check": True}, dict(sig=wrong), 401),
            ({"accept_unknown_keys": True}, dict(key="nobody's"), 200),
            ({"accept_unknown_keys": True}, dict(key="nobody's", sig=wrong), 401),
        ]
        for switches, request, status in rows:
            with self.subTest(switches=switches, request=request):
                self.server.misbehaviour = Misbehaviour(**switches)
                self.assertEqual(self.call("GET", LOGIN, **request)[0], status)

    def test_repeats_refused(self):
        self.server.misbehaviour = Misbehaviour(refuse_repeats=True)
        now = int(time.time())
        statuses = [self.call("GET", LOGIN, ts=str(ts))[0] for ts in (now, now, now + 1)]
        self.assertEqual(statuses, [200, 401, 200])

    def test_replies_reshaped(self):
        self.server.add_play(PLAYER, "h", exscore=900, random_seed=5)
        ghost = "/api/chart/ghost?hash=h&mode=top"
        rows = [  # (switches, target, what the reply holds)
            ({"camel_case": True}, LOGIN, {"loggedIn": True, "playerId": PLAYER}),
            ({"drop_member": "display_name"}, ghost,
             {"ghost_data": "", "option_packed": 0, "random_seed": 5, "average_exscore": 0}),
            ({"mistype_member": "random_seed"}, ghost,
             {"display_name": "Alpha", "ghost_data": "", "option_packed": 0, "random_seed": "5",
              "average_exscore": 0}),
            ({"mistype_member": "display_name"}, ghost,
             {"display_name": ["Alpha"], "ghost_data": "", "option_packed": 0, "random_seed": 5,
              "average_exscore": 0}),
        ]
        for switches, target, reply in rows:
            with self.subTest(switches=switches, target=target):
                self.server.misbehaviour = Misbehaviour(**switches)
                self.assertEqual(self.get_json(target), (200, reply))

    def test_board_camel_case_and_oversized(self):
        self.server.add_play(PLAYER, "h", exscore=900)
        self.server.misbehaviour = Misbehaviour(camel_case=True)
        _, board = self.get_json("/api/chart/board?hash=h")
        self.assertEqual(sorted(board), ["clearDistribution", "entries", "myPlayerId", "myRank",
                                         "playerCount", "totalPlaycount"])
        self.assertIn("playerId", board["entries"][0])
        self.server.misbehaviour = Misbehaviour(oversized_board=True)
        status, _, body = self.call("GET", "/api/chart/board?hash=h")
        self.assertGreater(len(body), 262_144)
        rows = json.loads(body)["entries"]
        self.assertEqual((rows[0]["player_id"], rows[0]["exscore"]), (PLAYER, 900))
        self.assertEqual([r["rank"] for r in rows], list(range(1, len(rows) + 1)))

    def test_command_line_switches(self):
        with cli_server("--db", self.dir / "cli.sqlite", "--add-player", f"{KEY}:{PLAYER}",
                        "--camel-case", "--skip-signature-check") as (_, port):
            status, _, body = https_call(port, "GET", LOGIN, sig=OMIT)
        self.assertEqual((status, json.loads(body)), (200, {"loggedIn": True, "playerId": PLAYER}))
