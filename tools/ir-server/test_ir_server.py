#!/usr/bin/python3
"""Tests of the local IR server, talking to it over TLS with http.client."""

import copy
import gzip
import http.client
import json
import os
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parents[1] / "tests" / "e2e"))

import ir_server  # noqa: E402
from ir_server import IrServer, sign  # noqa: E402

PORT = 48601
OTHER_PORT = 48602
CLI_PORT = 48603
FIXTURE_PORT = 48604
SPARE_PORT = 48605

KEY = "test-key-Alpha"
OMIT = object()  # leave the header out
PLAYER = 4242


def valid_score():
    return {
        "isPB": True,
        "song": {
            "hash": "0123456789abcdef0123456789abcdef", "title": "Song", "subtitle": "[ANOTHER]",
            "genre": "Trance", "artist": "Someone", "subartist": "obj: X",
            "maxBPM": 180, "minBPM": 90, "longnote": 0, "random": 0, "judge": 2,
            "level": 12, "courseStageCount": 0, "courseType": 0,
        },
        "settings": {
            "gaugeOption": 0, "random": [0, 0], "autokey": 0, "assist": [0, 0],
            "dpflip": 0, "hsfix": 0, "randSC": [0, 0], "randFix": [0, 0],
            "m_softlanding": 0, "m_addmine": 0, "m_addlong": 0, "m_earthquake": 0,
            "m_tornado": 0, "m_superloop": 0, "m_gambol": 0, "m_char": 0,
            "m_heartbeat": 0, "m_loudness": 0, "m_addnote": 0, "m_nabeatsu": 0,
            "m_accel": 0, "m_sincurve": 0, "m_wave": 0, "m_spiral": 0,
            "m_sidejump": 0, "is_extra": 0, "m_extra": 0, "m_lunaris": 0,
            "m_gas": False, "gomiscore": 0, "disablecurspeedchange": 0,
        },
        "state": {
            "player": 1, "keymode": 7, "randomseed": 12345,
            "freqSpeedMultiplier": 1.0, "song_runtime": 123.5,
            "isNosave": 0, "isForceEasy": 0, "isCourse": 0,
            "courseStageNow": 0, "notes_total": 1000,
        },
        "judgements_total": {
            "epg": 300, "lpg": 300, "egr": 100, "lgr": 100, "egd": 50, "lgd": 50,
            "ebd": 20, "lbd": 20, "epr": 30, "lpr": 30, "cb": 60, "fast": 200,
            "slow": 180, "notes_played": 1000, "notes_total": 1000,
        },
        "max_combo": 321,
        "HP": [100.0, 80.5, None, 0, 22.0, 100],
        "gaugeType": 0, "moneyscore": 123456, "exscore": 1600, "rate": 80.0,
        "clearType": 4, "lamp": "CLEAR", "inputType": 1,
        "previous_best": None,
    }


def previous_best():
    pb = {k: 0 for k in (
        "option_1", "option_2", "rseed", "exscore", "playcount", "clear",
        "pgreat", "great", "good", "bad", "poor", "maxcombo", "totalnotes",
        "rank", "rate", "clear_db", "clear_sd", "clear_ex", "clearcount",
        "failcount", "minbp")}
    pb["lamp"] = "HARD"
    return pb


def make_certs(outdir):
    subprocess.run(["bash", str(HERE / "make_certs.sh"), str(outdir)], check=True)


_module_tmp = None


def setUpModule():
    global _module_tmp
    _module_tmp = tempfile.TemporaryDirectory(prefix="ir-server-certs-")
    make_certs(Path(_module_tmp.name))


def tearDownModule():
    _module_tmp.cleanup()


class Base(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="ir-server-test-")
        cls.dir = Path(cls.tmp.name)
        cls.certs = Path(_module_tmp.name)
        cls.now = None  # when set, the server's clock reads this
        cls.server = IrServer(PORT, str(cls.certs / "server.pem"), str(cls.certs / "server.key"),
                              str(cls.dir / "ir.sqlite"),
                              clock=lambda: cls.now if cls.now is not None else time.time())
        cls.server.start()
        cls.server.add_player(KEY, PLAYER, "Alpha")
        cls.ctx = ssl.create_default_context(cafile=str(cls.certs / "ca.pem"))

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.tmp.cleanup()

    def setUp(self):
        type(self).now = None
        self.server.clear_faults()
        self.server.clear_requests()
        self.server.clear_scores()

    def connect(self, host="localhost", port=PORT, timeout=5):
        return http.client.HTTPSConnection(host, port, context=self.ctx, timeout=timeout)

    def call(self, method, target, body=None, key=KEY, ts=None, sig=None, sign_key=None,
             headers=None, conn=None, host="localhost", port=PORT):
        """Signed request; returns (status, header dict, body bytes)."""
        ts = str(int(time.time())) if ts is None else ts
        ts_text = "" if ts is OMIT else ts
        if isinstance(body, (dict, list)):
            body = json.dumps(body).encode()
        payload = body or b""
        if method == "GET":
            payload = target.partition("?")[2].encode()
        if sig is None:
            sig = sign(sign_key if sign_key is not None else key, ts_text, payload)
        h = {"x-api-key": key, "x-timestamp": ts, "x-signature": sig}
        if method == "POST":
            h["Content-Type"] = "application/json"
        for name in [n for n, v in h.items() if v is OMIT]:
            del h[name]
        h.update(headers or {})
        own = conn is None
        conn = conn or self.connect(host=host, port=port)
        try:
            conn.request(method, target, body=body, headers=h)
            resp = conn.getresponse()
            return resp.status, dict(resp.getheaders()), resp.read()
        finally:
            if own:
                conn.close()

    def post_score(self, doc, path="/api/chart/score", **kw):
        return self.call("POST", path, body=json.dumps(doc).encode(), **kw)


class AuthTest(Base):
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
        other = IrServer(SPARE_PORT, "", "", self.server.db_path)
        self.assertEqual(other._player(KEY), PLAYER)


class RoutingTest(Base):
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
        self.assertEqual(self.call("GET", "/api/chart/ghost?hash=h2")[0], 404)
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
        with socket.create_connection(("127.0.0.1", PORT)) as raw:
            with ctx.wrap_socket(raw, server_hostname="localhost") as s:
                self.assertEqual(s.selected_alpn_protocol(), "http/1.1")
                self.assertIn(s.version(), ("TLSv1.2", "TLSv1.3"))


class FaultTest(Base):
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

    def test_fault_answers_even_without_auth(self):
        self.server.script("/api/ir/login", [{"status": 200, "body": {"logged_in": False}}])
        status, _, body = self.call("GET", "/api/ir/login", key="nobody")
        self.assertEqual((status, json.loads(body)), (200, {"logged_in": False}))
        r, = self.server.wait_for_requests(1)
        self.assertFalse(r.auth_ok)

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


class RobustnessTest(Base):
    def raw(self, data, tls=True):
        s = socket.create_connection(("127.0.0.1", PORT), timeout=5)
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


class RecordingTest(Base):
    def test_headers_in_order_and_body(self):
        body = json.dumps(valid_score()).encode()
        ts = str(int(time.time()))
        sent = [("Host", "localhost:%d" % PORT), ("User-Agent", "probe/1"),
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


class ScoreTest(Base):
    def test_valid_scores_are_stored(self):
        doc = valid_score()
        body = json.dumps(doc).encode()
        status, _, reply = self.call("POST", "/api/chart/score", body=body)
        self.assertEqual((status, json.loads(reply)), (200, {"ok": True}))
        course = valid_score()
        course["song"]["hash"] = "c" * 64
        course["previous_best"] = dict(previous_best(), random_2=1, dpflip=0)
        course["ghost_data"] = "abc"
        self.assertEqual(self.post_score(course, path="/api/course/score")[0], 200)
        s1, s2 = self.server.scores()
        self.assertEqual(s1, (PLAYER, "/api/chart/score", doc["song"]["hash"], body, doc))
        self.assertEqual((s2.endpoint, s2.hash, s2.document), ("/api/course/score", "c" * 64, course))

    def test_accepted_variants(self):
        variants = {
            "previous_best object": lambda d: d.update(previous_best=previous_best()),
            "rate null": lambda d: d.update(rate=None),
            "all HP null": lambda d: d.update(HP=[None] * 6),
            "float runtime null": lambda d: d["state"].update(song_runtime=None),
            "integer freq": lambda d: d["state"].update(freqSpeedMultiplier=2),
            "negative integer": lambda d: d.update(moneyscore=-1),
            "lunaris 255": lambda d: d["settings"].update(m_lunaris=255),
        }
        for name, change in variants.items():
            with self.subTest(name):
                doc = valid_score()
                change(doc)
                status, _, body = self.post_score(doc)
                self.assertEqual(status, 200, body)
        self.assertEqual(len(self.server.scores()), len(variants))

    def test_malformed_scores_are_refused(self):
        def drop(section, key):
            return lambda d: (d[section] if section else d).pop(key)

        cases = {
            "missing top key": drop(None, "lamp"),
            "missing previous_best": drop(None, "previous_best"),
            "missing song key": drop("song", "subartist"),
            "missing settings key": drop("settings", "m_gas"),
            "missing state key": drop("state", "notes_total"),
            "missing judgement": drop("judgements_total", "slow"),
            "extra top key": lambda d: d.update(extra=1),
            "extra song key": lambda d: d["song"].update(bpm=1),
            "isPB int": lambda d: d.update(isPB=1),
            "max_combo bool": lambda d: d.update(max_combo=True),
            "max_combo negative": lambda d: d.update(max_combo=-1),
            "exscore float": lambda d: d.update(exscore=1.5),
            "exscore string": lambda d: d.update(exscore="1"),
            "HP five": lambda d: d.update(HP=[1, 2, 3, 4, 5]),
            "HP seven": lambda d: d.update(HP=[1] * 7),
            "HP string": lambda d: d.update(HP=[1, 2, 3, 4, 5, "6"]),
            "HP bool": lambda d: d.update(HP=[1, 2, 3, 4, 5, False]),
            "rate string": lambda d: d.update(rate="80"),
            "empty hash": lambda d: d["song"].update(hash=""),
            "level float": lambda d: d["song"].update(level=12.0),
            "title null": lambda d: d["song"].update(title=None),
            "random triple": lambda d: d["settings"].update(random=[0, 0, 0]),
            "assist float": lambda d: d["settings"].update(assist=[0, 0.5]),
            "lunaris 256": lambda d: d["settings"].update(m_lunaris=256),
            "m_gas int": lambda d: d["settings"].update(m_gas=0),
            "isCourse 256": lambda d: d["state"].update(isCourse=256),
            "isNosave negative": lambda d: d["state"].update(isNosave=-1),
            "judgement negative": lambda d: d["judgements_total"].update(epg=-1),
            "song array": lambda d: d.update(song=[]),
            "ghost_data number": lambda d: d.update(ghost_data=5),
            "previous_best only random_2": lambda d: d.update(previous_best=dict(previous_best(), random_2=0)),
            "previous_best only dpflip": lambda d: d.update(previous_best=dict(previous_best(), dpflip=0)),
            "previous_best missing key": lambda d: d.update(previous_best={
                k: v for k, v in previous_best().items() if k != "minbp"}),
            "previous_best lamp int": lambda d: d.update(previous_best=dict(previous_best(), lamp=3)),
            "previous_best string": lambda d: d.update(previous_best="none"),
        }
        for name, change in cases.items():
            with self.subTest(name):
                doc = valid_score()
                change(doc)
                status, _, body = self.post_score(doc)
                self.assertEqual(status, 400, name)
                self.assertIn("error", json.loads(body))
        self.assertEqual(self.server.scores(), [])

    def test_non_json_bodies_are_refused(self):
        good = json.dumps(valid_score())
        for name, body in {
            "html": b"<html>",
            "empty": b"",
            "array": b"[]",
            "truncated": good[:-1].encode(),
            "NaN": good.replace('"rate": 80.0', '"rate": NaN').encode(),
            "overflow": good.replace('"rate": 80.0', '"rate": 1e999').encode(),
            "duplicate key": good.replace('"isPB": true', '"isPB": true, "isPB": false').encode(),
            "latin-1": good.replace('"Song"', '"S\u00f6ng"').encode("latin-1"),
            "utf-16": good.encode("utf-16"),
        }.items():
            with self.subTest(name):
                self.assertNotEqual(body, good.encode())
                status, _, reply = self.call("POST", "/api/chart/score", body=body)
                self.assertEqual(status, 400)
                self.assertIn("error", json.loads(reply))
        self.assertEqual(self.server.scores(), [])

    def test_unauthenticated_score_not_stored(self):
        self.assertEqual(self.post_score(valid_score(), key="nobody")[0], 401)
        self.assertEqual(self.server.scores(), [])


class TlsTrustTest(Base):
    def test_other_ca_certificate_is_refused(self):
        other = IrServer(OTHER_PORT, str(self.certs / "other-server.pem"),
                         str(self.certs / "other-server.key"), str(self.dir / "other.sqlite"))
        with other:
            other.add_player(KEY, 1)
            conn = self.connect(port=OTHER_PORT)
            with self.assertRaises(ssl.SSLCertVerificationError):
                self.call("GET", "/api/ir/login", conn=conn)
            conn.close()
            # Trusting the other CA instead, the same server answers.
            ctx = ssl.create_default_context(cafile=str(self.certs / "other-ca.pem"))
            conn = http.client.HTTPSConnection("localhost", OTHER_PORT, context=ctx, timeout=5)
            try:
                self.assertEqual(self.call("GET", "/api/ir/login", conn=conn)[0], 200)
            finally:
                conn.close()

    def test_wrong_host_name_is_refused(self):
        ctx = ssl.create_default_context(cafile=str(self.certs / "ca.pem"))
        with socket.create_connection(("127.0.0.1", PORT)) as raw:
            with self.assertRaises(ssl.SSLCertVerificationError):
                ctx.wrap_socket(raw, server_hostname="ir.quorvane.net")

    def test_make_certs_is_idempotent(self):
        before = {p.name: p.read_bytes() for p in self.certs.glob("*.pem")}
        self.assertEqual(len(before), 4)
        make_certs(self.certs)
        self.assertEqual({p.name: p.read_bytes() for p in self.certs.glob("*.pem")}, before)
        out = subprocess.run(["openssl", "x509", "-noout", "-ext",
                              "basicConstraints,extendedKeyUsage,subjectAltName",
                              "-in", str(self.certs / "server.pem")],
                             check=True, capture_output=True, text=True).stdout
        for want in ("CA:FALSE", "TLS Web Server Authentication", "DNS:localhost", "IP Address:127.0.0.1"):
            self.assertIn(want, out)

    def test_stop_closes_kept_alive_connections(self):
        srv = IrServer(SPARE_PORT, str(self.certs / "server.pem"), str(self.certs / "server.key"),
                       str(self.dir / "spare.sqlite"))
        srv.add_player(KEY, 1)
        srv.start()
        conn = self.connect(port=SPARE_PORT)
        try:
            self.assertEqual(self.call("GET", "/api/ir/login", conn=conn)[0], 200)
            srv.stop()
            with self.assertRaises((http.client.HTTPException, ConnectionError, ssl.SSLError, OSError)):
                self.call("GET", "/api/ir/login", conn=conn)
        finally:
            conn.close()
            srv.stop()


class CommandLineTest(Base):
    def test_cli_serves_until_sigterm(self):
        pidfile = self.dir / "cli.pid"
        proc = subprocess.Popen(
            [sys.executable, str(HERE / "ir_server.py"), "--port", str(CLI_PORT),
             "--cert", str(self.certs / "server.pem"), "--key", str(self.certs / "server.key"),
             "--db", str(self.dir / "cli.sqlite"), "--add-player", "cli-key:77:Name:with:colons",
             "--add-player", "k2:78", "--log", str(self.dir / "cli.log"), "--pidfile", str(pidfile)],
            stdout=subprocess.PIPE, text=True)
        try:
            line = proc.stdout.readline()
            self.assertEqual(line, f"listening on https://127.0.0.1:{CLI_PORT}\n")
            self.assertEqual(pidfile.read_text().strip(), str(proc.pid))
            status, _, body = self.call("GET", "/api/ir/login", key="cli-key", port=CLI_PORT)
            self.assertEqual((status, json.loads(body)["player_id"]), (200, 77))
            self.assertEqual(self.call("GET", "/api/ir/login", key="k2", port=CLI_PORT)[0], 200)
            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(5), 0)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            proc.stdout.close()
        self.assertFalse(pidfile.exists())
        self.assertIn("/api/ir/login", (self.dir / "cli.log").read_text())
        srv = IrServer(0, "", "", str(self.dir / "cli.sqlite"))
        self.assertEqual(srv._player("cli-key"), 77)
        with srv._db() as db:
            self.assertEqual(db.execute("SELECT display_name FROM players WHERE api_key='cli-key'").fetchone()[0],
                             "Name:with:colons")


class FixtureTest(unittest.TestCase):
    def test_start_test_server(self):
        from irtest.server import start_test_server
        with tempfile.TemporaryDirectory() as d:
            srv = start_test_server(FIXTURE_PORT, d)
            try:
                srv.add_player("fx", 3)
                ctx = ssl.create_default_context(cafile=srv.ca_file)
                ts = str(int(time.time()))
                conn = http.client.HTTPSConnection("localhost", FIXTURE_PORT, context=ctx, timeout=5)
                conn.request("GET", "/api/ir/login", headers={
                    "x-api-key": "fx", "x-timestamp": ts, "x-signature": sign("fx", ts, b"")})
                self.assertEqual(conn.getresponse().status, 200)
                conn.close()
            finally:
                srv.stop()
            # A second start gets a fresh database.
            srv = start_test_server(FIXTURE_PORT, d)
            try:
                self.assertIsNone(srv._player("fx"))
                self.assertTrue(os.path.exists(srv.other_ca_file))
            finally:
                srv.stop()


if __name__ == "__main__":
    unittest.main()
