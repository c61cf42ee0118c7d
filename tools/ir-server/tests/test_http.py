"""Routing, keep-alive, TLS, broken requests and the request log."""

import http.client
import json
import socket
import ssl
import subprocess
import threading
import time

from .support import KEY, PLAYER, IrServer, ServerCase, make_certs, sign, valid_score


class RoutingTest(ServerCase):
    def test_unknown_path(self):
        status, _, body = self.call("GET", "/api/nothing")
        self.assertEqual(status, 404)
        self.assertIn("error", json.loads(body))

    def test_wrong_method(self):
        status, headers, body = self.call("GET", "/api/chart/score")
        self.assertEqual(status, 405)
        self.assertEqual(headers.get("Allow"), "POST")
        self.assertIn("error", json.loads(body))
        self.assertEqual(self.call("POST", "/api/ir/login", body=b"{}")[0], 405)

    def test_board_and_ghost(self):
        self.server.set_board("h1", {"board": 1})
        self.server.set_ghost("h1", b'{"ghost": "raw"}')
        self.assertEqual(json.loads(self.call("GET", "/api/course/board?hash=h1")[2]), {"board": 1})
        self.assertEqual(self.call("GET", "/api/chart/ghost?hash=h1")[2], b'{"ghost": "raw"}')
        self.assertEqual(self.call("GET", "/api/chart/ghost?hash=h2&target_player_id=0&mode=top")[0], 404)
        self.assertEqual(self.call("GET", "/api/chart/board")[0], 400)

    def test_keep_alive(self):
        conn = self.connect()
        try:
            for _ in range(3):
                self.assertEqual(self.call("GET", "/api/ir/login", conn=conn)[0], 200)
        finally:
            conn.close()
        self.assertEqual(len(self.server.requests()), 3)

    def test_alpn_and_tls_version(self):
        ctx = ssl.create_default_context(cafile=str(self.certs / "ca.pem"))
        ctx.set_alpn_protocols(["h2", "http/1.1"])
        with socket.create_connection(("127.0.0.1", self.port)) as raw:
            with ctx.wrap_socket(raw, server_hostname="localhost") as s:
                self.assertEqual(s.selected_alpn_protocol(), "http/1.1")
                self.assertIn(s.version(), ("TLSv1.2", "TLSv1.3"))


class RobustnessTest(ServerCase):
    def raw(self, data, tls=True):
        s = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        try:
            if tls:
                s = self.ctx.wrap_socket(s, server_hostname="localhost")
            s.sendall(data)
            chunks = []
            try:
                while True:
                    c = s.recv(65536)
                    if not c:
                        break
                    chunks.append(c)
            except (ssl.SSLError, ConnectionError):
                pass
            return b"".join(chunks)
        finally:
            s.close()

    def test_bad_input_does_not_hurt_the_server(self):
        # A one-word request line counts as HTTP/0.9: body only, no status line.
        self.assertEqual(self.raw(b"GARBAGE\r\n\r\n"), b'{"error": "Bad request syntax (\'GARBAGE\')"}')
        reply = self.raw(b"GET /api/ir/login HTTP/1.1\r\n" + b"x-a: 1\r\n" * 101 + b"\r\n")
        self.assertTrue(reply.startswith(b"HTTP/1.1 431 "), reply)
        self.assertTrue(reply.endswith(b'{"error": "Too many headers"}'), reply)
        reply = self.raw(b"POST /api/chart/score HTTP/1.1\r\nHost: x\r\nContent-Length: abc\r\n\r\n")
        self.assertTrue(reply.startswith(b"HTTP/1.1 400 "), reply)
        reply = self.raw(b"POST /api/chart/score HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999999\r\n\r\n")
        self.assertTrue(reply.startswith(b"HTTP/1.1 413 "), reply)
        reply = self.raw(b"GET /api/ir/login HTTP/1.1\r\nHost: x\r\nx-api-key: \xff\xfe\r\n"
                         b"x-timestamp: 1\r\nx-signature: \xe9\r\nConnection: close\r\n\r\n")
        self.assertTrue(reply.startswith(b"HTTP/1.1 401 "), reply)
        self.raw(b"GET /api/ir/login HTTP/1.1\r\n\r\n", tls=False)
        log = self.server.requests()
        self.assertEqual([r.status for r in log], [400, 413, 401])
        self.assertEqual(self.call("GET", "/api/ir/login")[0], 200)

    def test_duplicate_auth_header_is_refused(self):
        ts = str(int(time.time()))
        reply = self.raw(("GET /api/ir/login HTTP/1.1\r\nHost: x\r\nx-api-key: %s\r\nx-api-key: %s\r\n"
                          "x-timestamp: %s\r\nx-signature: %s\r\nConnection: close\r\n\r\n"
                          % (KEY, KEY, ts, sign(KEY, ts, b""))).encode())
        self.assertTrue(reply.startswith(b"HTTP/1.1 401 "), reply)
        self.assertIn("more than once", self.server.requests()[0].auth_error)


class RecordingTest(ServerCase):
    def test_headers_in_order_and_body(self):
        body = json.dumps(valid_score()).encode()
        ts = str(int(time.time()))
        sent = [("Host", "localhost:%d" % self.port), ("User-Agent", "probe/1"),
                ("Accept-Encoding", "gzip, deflate"), ("x-timestamp", ts),
                ("X-Api-Key", KEY), ("x-signature", sign(KEY, ts, body)),
                ("Content-Type", "application/json"), ("Content-Length", str(len(body)))]
        conn = self.connect()
        try:
            conn.putrequest("POST", "/api/course/score", skip_host=True, skip_accept_encoding=True)
            for n, v in sent:
                conn.putheader(n, v)
            conn.endheaders(body)
            resp = conn.getresponse()
            self.assertEqual(resp.status, 200, resp.read())
        finally:
            conn.close()
        r, = self.server.wait_for_requests(1)
        self.assertEqual(r.headers, sent)
        self.assertEqual(r.header("x-api-key"), KEY)
        self.assertEqual((r.method, r.path, r.query, r.target), ("POST", "/api/course/score", "", "/api/course/score"))
        self.assertEqual(r.body, body)
        self.assertEqual(r.player_id, PLAYER)
        self.assertTrue(r.auth_ok)
        self.assertEqual(r.status, 200)
        self.assertLessEqual(r.time, time.monotonic())

    def test_wait_for_requests_waits_for_the_answer(self):
        self.server.script("/api/ir/login", [{"delay": 0.3}])
        caller = threading.Thread(target=self.call, args=("GET", "/api/ir/login"))
        caller.start()
        try:
            r, = self.server.wait_for_requests(1)
            self.assertEqual((r.answered, r.status), (True, 200))
        finally:
            caller.join()

    def test_order_and_clear(self):
        self.call("GET", "/api/ir/login?n=1")
        self.call("GET", "/api/x")
        log = self.server.wait_for_requests(2)
        self.assertEqual([r.target for r in log], ["/api/ir/login?n=1", "/api/x"])
        self.assertLess(log[0].time, log[1].time)
        self.assertEqual(len(self.server.wait_for_requests(1, path="/api/x")), 1)
        self.server.clear_requests()
        self.assertEqual(self.server.requests(), [])
        with self.assertRaises(TimeoutError):
            self.server.wait_for_requests(1, timeout=0.1)

    def test_chunked_body(self):
        body = json.dumps(valid_score()).encode()
        ts = str(int(time.time()))
        conn = self.connect()
        try:
            conn.request("POST", "/api/chart/score", body=iter([body[:100], body[100:]]),
                         headers={"x-api-key": KEY, "x-timestamp": ts,
                                  "x-signature": sign(KEY, ts, body)},
                         encode_chunked=True)
            self.assertEqual(conn.getresponse().status, 200)
        finally:
            conn.close()
        self.assertEqual(self.server.requests()[0].body, body)
        self.assertEqual(self.server.scores()[0].body, body)


class TlsTrustTest(ServerCase):
    def test_other_ca_certificate_is_refused(self):
        other = IrServer(0, str(self.certs / "other-server.pem"),
                         str(self.certs / "other-server.key"), str(self.dir / "other.sqlite"))
        with other:
            other.add_player(KEY, 1)
            conn = self.connect(port=other.port)
            with self.assertRaises(ssl.SSLCertVerificationError):
                self.call("GET", "/api/ir/login", conn=conn)
            conn.close()
            # Trusting the other CA instead, the same server answers.
            ctx = ssl.create_default_context(cafile=str(self.certs / "other-ca.pem"))
            conn = http.client.HTTPSConnection("localhost", other.port, context=ctx, timeout=5)
            try:
                self.assertEqual(self.call("GET", "/api/ir/login", conn=conn)[0], 200)
            finally:
                conn.close()

    def test_wrong_host_name_is_refused(self):
        ctx = ssl.create_default_context(cafile=str(self.certs / "ca.pem"))
        with socket.create_connection(("127.0.0.1", self.port)) as raw:
            with self.assertRaises(ssl.SSLCertVerificationError):
                ctx.wrap_socket(raw, server_hostname="ir.quorvane.net")

    def test_make_certs_is_idempotent(self):
        before = {p.name: p.read_bytes() for p in self.certs.glob("*.pem")}
        self.assertEqual(sorted(before), ["ca.pem", "other-ca.pem", "other-server.pem",
                                          "server.pem", "wrong-host.pem"])
        make_certs(self.certs)
        self.assertEqual({p.name: p.read_bytes() for p in self.certs.glob("*.pem")}, before)
        out = subprocess.run(["openssl", "x509", "-noout", "-ext",
                              "basicConstraints,extendedKeyUsage,subjectAltName",
                              "-in", str(self.certs / "server.pem")],
                             check=True, capture_output=True, text=True).stdout
        for want in ("CA:FALSE", "TLS Web Server Authentication", "DNS:localhost", "IP Address:127.0.0.1"):
            self.assertIn(want, out)
        names = subprocess.run(["openssl", "x509", "-noout", "-ext", "subjectAltName",
                                "-in", str(self.certs / "wrong-host.pem")],
                               check=True, capture_output=True, text=True).stdout
        self.assertEqual(names.split()[-1], "DNS:wrong-host.invalid")

    def test_stop_closes_kept_alive_connections(self):
        srv = IrServer(0, str(self.certs / "server.pem"), str(self.certs / "server.key"),
                       str(self.dir / "spare.sqlite"))
        srv.add_player(KEY, 1)
        srv.start()
        conn = self.connect(port=srv.port)
        try:
            self.assertEqual(self.call("GET", "/api/ir/login", conn=conn)[0], 200)
            srv.stop()
            with self.assertRaises((http.client.HTTPException, ConnectionError, ssl.SSLError, OSError)):
                self.call("GET", "/api/ir/login", conn=conn)
        finally:
            conn.close()
            srv.stop()
