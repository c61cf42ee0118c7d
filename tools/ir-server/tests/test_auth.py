"""Request signatures, timestamps and player keys."""

import json
import time

from .support import KEY, OMIT, PLAYER, IrServer, ServerCase, sign, valid_score


class AuthTest(ServerCase):
    def test_signed_login(self):
        status, headers, body = self.call("GET", "/api/ir/login")
        self.assertEqual(status, 200)
        self.assertEqual(json.loads(body), {"logged_in": True, "player_id": PLAYER})
        self.assertEqual(headers["Content-Length"], str(len(body)))
        r, = self.server.wait_for_requests(1)
        self.assertTrue(r.auth_ok)
        self.assertIsNone(r.auth_error)
        self.assertEqual(r.status, 200)

    def test_login_over_ip_address(self):
        status, _, _ = self.call("GET", "/api/ir/login", host="127.0.0.1")
        self.assertEqual(status, 200)

    def assertRejected(self, expect_reason, **kw):
        status, headers, body = self.call("GET", "/api/ir/login", **kw)
        self.assertEqual(status, 401, body)
        self.assertIn("error", json.loads(body))
        r = self.server.wait_for_requests(1)[-1]
        self.assertFalse(r.auth_ok)
        self.assertIn(expect_reason, r.auth_error)
        self.assertEqual(r.status, 401)
        self.server.clear_requests()

    def test_unknown_or_missing_key(self):
        self.assertRejected("unknown", key="no-such-key")
        self.assertRejected("missing x-api-key", key=OMIT, sig="00")

    def test_signed_with_another_key(self):
        self.server.add_player("test-key-Beta", 7)
        self.assertRejected("bad signature", sign_key="test-key-Beta")

    def test_bad_signatures(self):
        ts = str(int(time.time()))
        good = sign(KEY, ts, b"")
        flipped = good[:-1] + ("0" if good[-1] != "0" else "1")
        self.assertRejected("bad signature", ts=ts, sig=flipped)
        self.assertRejected("bad signature", ts=ts, sig=good.upper())
        self.assertRejected("bad signature", ts=ts, sig=good[:-2])
        self.assertRejected("missing x-signature", ts=ts, sig=OMIT)
        self.assertEqual(self.call("GET", "/api/ir/login", ts=ts, sig=good)[0], 200)

    def test_bad_timestamps(self):
        self.assertRejected("missing x-timestamp", ts=OMIT, sig="00")
        now = int(time.time())
        for ts in (f"{now}.0", f"+{now}", f"0x{now:x}", "abc", f"{now}s"):
            with self.subTest(ts=ts):
                self.assertRejected("not an integer", ts=ts, sig=sign(KEY, ts, b""))

    def test_clock_skew(self):
        type(self).now = 1_800_000_000
        for delta, ok in ((-301, False), (301, False), (-300, True), (300, True),
                          (-299, True), (0, True), (100000, False)):
            with self.subTest(delta=delta):
                status, _, _ = self.call("GET", "/api/ir/login", ts=str(self.now + delta))
                self.assertEqual(status, 200 if ok else 401)
        # The real clock is far from the fake one: a timestamp taken now is refused.
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 401)

    def test_get_signature_covers_raw_query(self):
        self.server.set_board("a b", {"entries": []})
        target = "/api/chart/board?hash=a%20b&x=%2F"
        status, _, body = self.call("GET", target)
        self.assertEqual(status, 200, body)
        self.assertEqual(json.loads(body), {"entries": []})
        r, = self.server.wait_for_requests(1)
        self.assertEqual(r.query, "hash=a%20b&x=%2F")
        self.assertEqual(r.target, target)
        # Signed over the decoded query, or over nothing: refused.
        ts = str(int(time.time()))
        self.assertEqual(self.call("GET", target, ts=ts, sig=sign(KEY, ts, "hash=a b&x=/"))[0], 401)
        self.assertEqual(self.call("GET", target, ts=ts, sig=sign(KEY, ts, ""))[0], 401)
        # A query on login must be signed as well.
        self.assertEqual(self.call("GET", "/api/ir/login?v=1", ts=ts, sig=sign(KEY, ts, ""))[0], 401)
        self.assertEqual(self.call("GET", "/api/ir/login?v=1")[0], 200)

    def test_post_signature_covers_body(self):
        body = json.dumps(valid_score()).encode()
        ts = str(int(time.time()))
        status, _, _ = self.call("POST", "/api/chart/score", body=body, ts=ts,
                                 sig=sign(KEY, ts, body + b" "))
        self.assertEqual(status, 401)
        self.assertEqual(self.server.scores(), [])

    def test_removed_player_is_refused(self):
        self.server.add_player("temp-key", 9)
        self.assertEqual(self.call("GET", "/api/ir/login", key="temp-key")[0], 200)
        self.server.remove_player("temp-key")
        self.assertEqual(self.call("GET", "/api/ir/login", key="temp-key")[0], 401)

    def test_players_persist_in_database_file(self):
        other = IrServer(0, "", "", self.server.db_path)
        self.assertEqual(other._player(KEY), PLAYER)
