"""Fault scripts."""

import gzip
import http.client
import json
import socket
import ssl
import time
import zlib

from .support import KEY, PLAYER, ServerCase, sign, valid_score


class FaultTest(ServerCase):
    def test_status_fault_then_normal(self):
        self.server.script("/api/ir/login", [{"status": 503}, {"status": 500, "body": "oops"}])
        status, _, body = self.call("GET", "/api/ir/login")
        self.assertEqual(status, 503)
        self.assertIn("error", json.loads(body))
        self.assertEqual(self.call("GET", "/api/ir/login")[:3:2], (500, b"oops"))
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 200)
        log = self.server.wait_for_requests(3)
        self.assertEqual([r.status for r in log], [503, 500, 200])
        self.assertEqual(log[0].fault, {"status": 503})
        self.assertTrue(all(r.auth_ok for r in log))

    def test_fault_is_per_path(self):
        self.server.script("/api/chart/score", [{"status": 502}])
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 200)
        self.assertEqual(self.post_score(valid_score())[0], 502)
        self.assertEqual(self.server.scores(), [])  # the fault replaced the handler

    def test_script_all(self):
        self.server.script_all([{"status": 429}, {"status": 418}])
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 429)
        self.assertEqual(self.call("GET", "/api/nowhere")[0], 418)
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 200)

    def test_path_faults_come_before_faults_for_any_path(self):
        self.server.script_all([{"status": 429}])
        self.server.script("/api/ir/login", [{"status": 503}])
        self.assertEqual([self.call("GET", "/api/ir/login")[0] for _ in range(3)], [503, 429, 200])

    def test_fault_answers_even_without_auth(self):
        self.server.script("/api/ir/login", [{"status": 200, "body": {"logged_in": False}}])
        status, _, body = self.call("GET", "/api/ir/login", key="nobody")
        self.assertEqual((status, json.loads(body)), (200, {"logged_in": False}))
        r, = self.server.wait_for_requests(1)
        self.assertFalse(r.auth_ok)

    def test_clear_one_path(self):
        self.server.script("/api/ir/login", [{"status": 503}])
        self.server.script("/api/chart/board", [{"status": 502}])
        self.server.script_all([{"status": 429}])
        self.server.clear_faults("/api/ir/login")
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 429)
        self.assertEqual(self.call("GET", "/api/chart/board?hash=x")[0], 502)

    def test_not_json(self):
        self.server.script("/api/ir/login", [{"body": b"<html>not json"}])
        status, _, body = self.call("GET", "/api/ir/login")
        self.assertEqual((status, body), (200, b"<html>not json"))

    def test_gzip(self):
        doc = {"logged_in": True, "player_id": 5, "pad": "x" * 500}
        self.server.script("/api/ir/login", [{"gzip": True, "body": doc}, {"gzip": True}])
        status, headers, body = self.call("GET", "/api/ir/login")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Encoding"], "gzip")
        self.assertEqual(body[:2], b"\x1f\x8b")
        self.assertLess(len(body), 300)
        self.assertEqual(json.loads(gzip.decompress(body)), doc)
        # Without a body the normal answer goes out compressed.
        status, headers, body = self.call("GET", "/api/ir/login")
        self.assertEqual(headers["Content-Encoding"], "gzip")
        self.assertEqual(json.loads(gzip.decompress(body)), {"logged_in": True, "player_id": PLAYER})

    def test_deflate(self):
        self.server.script("/api/ir/login", [{"deflate": True, "body": {"a": 1}}])
        status, headers, body = self.call("GET", "/api/ir/login")
        self.assertEqual(headers["Content-Encoding"], "deflate")
        self.assertEqual(json.loads(zlib.decompress(body)), {"a": 1})
        self.assertRaises(zlib.error, zlib.decompress, body, -15)  # zlib stream, not raw deflate

    def test_body_size(self):
        self.server.script("/api/ir/login", [{"body_size": 300000}, {"body_size": 7}])
        status, headers, body = self.call("GET", "/api/ir/login")
        self.assertEqual(status, 200)
        self.assertEqual(len(body), 300000)
        self.assertEqual(headers["Content-Length"], "300000")
        self.assertEqual(body, b"0123456789" * 30000)
        self.assertEqual(self.call("GET", "/api/ir/login")[2], b"0123456")

    def test_delay(self):
        self.server.script("/api/ir/login", [{"delay": 0.4}, {"delay": 0.4, "status": 503}])
        t0 = time.monotonic()
        status, _, body = self.call("GET", "/api/ir/login")
        self.assertGreaterEqual(time.monotonic() - t0, 0.4)
        self.assertEqual(json.loads(body)["player_id"], PLAYER)
        t0 = time.monotonic()
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 503)
        self.assertGreaterEqual(time.monotonic() - t0, 0.4)

    def test_close(self):
        self.server.script("/api/ir/login", [{"close": True}])
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError, ssl.SSLError)):
            self.call("GET", "/api/ir/login")
        r, = self.server.wait_for_requests(1)
        self.assertTrue(r.closed)
        self.assertIsNone(r.status)
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 200)

    def test_extra_headers(self):
        self.server.script("/api/ir/login", [{"status": 503, "headers": {"Retry-After": "7",
                                                                         "Content-Type": "text/html"}}])
        status, headers, _ = self.call("GET", "/api/ir/login")
        self.assertEqual((status, headers["Retry-After"], headers["Content-Type"]), (503, "7", "text/html"))


class HeldAndCutAnswers(ServerCase):
    def test_stall_holds_the_request_until_the_client_leaves(self):
        self.server.script("/api/ir/login", [{"stall": True}])
        conn = self.connect(timeout=0.5)
        with self.assertRaises((socket.timeout, TimeoutError)):
            self.call("GET", "/api/ir/login", conn=conn)
        r, = self.server.requests()
        self.assertFalse(r.answered)
        conn.close()
        r, = self.server.wait_for_requests(1)
        self.assertTrue(r.closed)
        self.assertIsNone(r.status)
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 200)

    def test_truncate_cuts_the_body_after_the_headers(self):
        answer = json.dumps({"logged_in": True, "player_id": PLAYER}).encode()
        cases = [({"truncate": 4, "body": b"0123456789"}, b"0123", 10),
                 ({"truncate": 0, "status": 503}, b"", len(b'{"error": "scripted 503"}')),
                 # The normal answer, cut.
                 ({"truncate": 3}, answer[:3], len(answer))]
        for fault, sent, length in cases:
            self.server.script("/api/ir/login", [fault])
            with self.assertRaises(http.client.IncompleteRead) as cut:
                self.call("GET", "/api/ir/login")
            self.assertEqual(cut.exception.partial, sent, fault)
            self.assertEqual(len(sent) + cut.exception.expected, length, fault)
        statuses = [r.status for r in self.server.wait_for_requests(3)]
        self.assertEqual(statuses, [200, 503, 200])

    def test_trickle_sends_the_headers_then_a_byte_at_a_time(self):
        answer = json.dumps({"logged_in": True, "player_id": PLAYER}).encode()
        # A reader that takes the whole body gets it all; one that leaves after the
        # headers stops the trickle at its next byte or the one after.
        for reads_body, body_sent in ((True, [len(answer)]), (False, [0, 1, 2])):
            self.server.clear_requests()
            self.server.script("/api/ir/login", [{"trickle": 0.02}])
            conn = self.connect()
            ts = str(int(time.time()))
            conn.request("GET", "/api/ir/login",
                         headers={"x-api-key": KEY, "x-timestamp": ts, "x-signature": sign(KEY, ts, b"")})
            resp = conn.getresponse()
            if reads_body:
                self.assertEqual(resp.read(), answer)
            resp.close()
            conn.close()
            r, = self.server.wait_for_requests(1)
            self.assertEqual((resp.status, r.status), (200, 200))
            self.assertIn(r.body_sent, body_sent, reads_body)

    def test_another_certificate_for_new_connections(self):
        self.server.use_certificate(str(self.certs / "wrong-host.pem"),
                                    str(self.certs / "wrong-host.key"))
        try:
            with self.assertRaisesRegex(ssl.SSLCertVerificationError, "Hostname mismatch"):
                self.call("GET", "/api/ir/login")
            self.server.use_certificate(str(self.certs / "other-server.pem"),
                                        str(self.certs / "other-server.key"))
            with self.assertRaisesRegex(ssl.SSLCertVerificationError, "unable to get local issuer"):
                self.call("GET", "/api/ir/login")
        finally:
            self.server.use_certificate(str(self.certs / "server.pem"),
                                        str(self.certs / "server.key"))
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 200)
