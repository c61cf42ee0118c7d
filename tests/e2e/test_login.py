"""Slot 1 against the local IR server."""

import os
import time

import harness

LOGIN = "/api/ir/login"


class Login(harness.ServerTestCase):
    def login(self):
        return self.slot("login")["logged_in"]

    def test_registered_key_logs_in(self):
        self.assertTrue(self.login())
        port = self.ir_port
        log = self.log()
        self.assertEqual(len(log), 4, log)
        self.assertEqual(log[:2], [
            "INFO | session_start",
            f"INFO | login_fetch | endpoint=ir_login port={port} secure=1 query_len=0",
        ])
        self.assertRegex(log[2], r"^INFO \| login_fetch_done \| status_code=200 mapped_status=Ok "
                                 r"body_size=[1-9][0-9]*$")
        self.assertEqual(log[3], "INFO | login_done | logged_in=1")
        [request] = self.ir.requests(LOGIN)
        self.assertTrue(request.auth_ok, request.auth_error)
        self.assertEqual(request.target, LOGIN)
        self.assertEqual(request.header("x-api-key"), self.api_key)
        self.assertEqual(request.header("Content-Type"), "application/json")
        self.assertTrue(request.header("User-Agent").endswith(" QUORVANE_IR_0.1.5"))
        names = {n.lower() for n in request.header_names()}
        required = {"host", "content-type", "user-agent", "x-api-key", "x-timestamp",
                    "x-signature"} | ({"accept-encoding"} if self.host.decompresses else set())
        self.assertTrue(required <= names, names)
        self.assertTrue(names <= required | {"connection", "content-length"}, names)

    def test_key_with_byte_order_mark_and_line_break(self):
        self.write_key(b"\xef\xbb\xbf" + self.api_key.encode() + b"\r\n")
        self.assertTrue(self.login())

    def test_unknown_key_is_refused_without_retry(self):
        self.write_key("not-a-registered-key")
        self.assertFalse(self.login())
        self.assertEqual(len(self.ir.requests(LOGIN)), 1)
        self.assertIn("INFO | login_fetch_done | status_code=401 mapped_status=Fail body_size=",
                      self.log()[2])
        self.assertEqual(self.log()[-1], "INFO | login_done | logged_in=0")

    def test_replies_that_do_not_log_in_are_final(self):
        for body in [b"", b"<html>busy</html>", b'{"logged_in": "true"}', b'{"logged_in": null}',
                     b"{}", b'{"logged_in": false}']:
            self.ir.clear_requests()
            self.ir.script(LOGIN, [{"status": 200, "body": body}])
            self.assertFalse(self.login(), body)
            self.assertEqual(len(self.ir.requests(LOGIN)), 1, body)

    def test_retry_then_answer(self):
        self.ir.script(LOGIN, [{"status": 503}])
        self.assertTrue(self.login())
        first, second = self.ir.requests(LOGIN)
        self.assertGreaterEqual(second.time - first.time, 0.9)
        self.assertLess(second.time - first.time, 2.5)
        # Every attempt is signed afresh, a second or more later.
        self.assertNotEqual(first.header("x-timestamp"), second.header("x-timestamp"))

    def test_retry_schedule_gives_up_after_four_attempts(self):
        self.ir.script(LOGIN, [{"status": 503}] * 4 + [{"status": 200}])
        started = time.monotonic()
        self.assertFalse(self.login())
        elapsed = time.monotonic() - started
        requests = self.ir.requests(LOGIN)
        self.assertEqual(len(requests), 4)
        gaps = [b.time - a.time for a, b in zip(requests, requests[1:])]
        for gap, pause in zip(gaps, [1, 2, 4]):
            self.assertGreaterEqual(gap, pause - 0.1, gaps)
            self.assertLess(gap, pause + 1.5, gaps)
        # The fourth pause follows the last attempt before the slot returns.
        self.assertGreaterEqual(elapsed, 11 - 0.2)
        done = [l for l in self.log()
                if l.startswith("INFO | login_fetch_done | status_code=503 mapped_status=Retry ")]
        self.assertEqual(len(done), 4, self.log())

    def test_compressed_replies_are_decoded(self):
        if not self.host.decompresses:
            self.skipTest("Wine's WinHTTP does not decompress replies")
        for kind in ["gzip", "deflate"]:
            self.ir.script(LOGIN, [{kind: True, "status": 200, "body": b'{"logged_in": true}'}])
            self.assertTrue(self.login(), kind)

    def test_long_body_is_cut_at_the_limit(self):
        self.ir.script(LOGIN, [{"body_size": 300000}])
        self.assertFalse(self.login())
        self.assertIn("INFO | login_fetch_done | status_code=200 mapped_status=Ok body_size=262144",
                      self.log())

    def test_connection_closed_without_answer_is_retried(self):
        self.ir.script(LOGIN, [{"close": True}, {"close": True}])
        self.assertTrue(self.login())
        self.assertEqual(len(self.ir.requests(LOGIN)), 3)
        failures = [l for l in self.log() if l.startswith("ERROR | http_winhttp_send_fail | win32=")]
        self.assertEqual(len(failures), 2, self.log())

    def test_server_clock_far_from_ours_refuses(self):
        self.ir.clock = lambda: time.time() + 1000
        self.assertFalse(self.login())
        self.assertEqual(len(self.ir.requests(LOGIN)), 1)


class OtherCertificateAuthority(harness.ServerTestCase):
    def setUp(self):
        super().setUp()
        # Same server, certificate from a CA the plugin does not trust.
        self.ir.stop()
        import ir_server

        certs = self.ir.certs_dir
        self.ir = ir_server.IrServer(self.ir_port, str(certs / "other-server.pem"),
                                     str(certs / "other-server.key"),
                                     os.path.join(self.scratch, "other.sqlite")).start()
        self.addCleanup(self.ir.stop)
        self.ir.add_player(self.api_key, self.player_id)

    def test_untrusted_certificate_is_refused(self):
        self.assertFalse(self.slot("login")["logged_in"])
        failures = [l for l in self.log() if l.startswith("ERROR | http_winhttp_send_fail | win32=")]
        self.assertEqual(len(failures), 4, self.log())
        self.assertFalse(any(r.auth_ok for r in self.ir.requests()))


if __name__ == "__main__":
    harness.main()
