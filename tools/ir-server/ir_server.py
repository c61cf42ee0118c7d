#!/usr/bin/python3
"""Local Quorvane IR server for tests and the demo.

HTTPS only (TLS 1.2 or newer, ALPN http/1.1). Every request is authenticated with
the x-api-key / x-timestamp / x-signature headers:

    signature = hex(HMAC-SHA256(key=api_key bytes, msg=timestamp + "." + payload))

where payload is the raw body for POST and the raw query string (the part of the
request target after "?", not decoded) for GET.

Order of work for each request:
  1. read the whole request, evaluate authentication and record it in the log;
  2. if a fault is queued for the path (or for all paths), it decides the answer:
     a fault carrying "status", "body", "body_size" or "close" replaces the answer
     entirely (no handler runs, nothing is stored, whatever the auth result);
     a fault with only "delay", "gzip", "deflate" or "headers" modifies the normal
     answer;
  3. otherwise: unknown path -> 404, wrong method -> 405, failed auth -> 401,
     then the endpoint handler.

Fault keys:
  status    int, status line of the reply (default 200)
  body      bytes / str / JSON-serialisable object (dict, list, ...)
  body_size int, reply body of exactly that many bytes of repeating b"0123456789"
  headers   dict or list of (name, value): extra reply headers; a name matching a
            default header (Content-Type, Content-Length, ...) replaces it
  gzip      true: body sent gzip-compressed with Content-Encoding: gzip
  deflate   true: body sent as a zlib stream with Content-Encoding: deflate
  delay     seconds to sleep before answering
  close     true: close the connection without sending anything
"""

import argparse
import copy
import dataclasses
import gzip
import hashlib
import hmac
import http.server
import json
import logging
import math
import os
import re
import signal
import socket
import sqlite3
import ssl
import sys
import threading
import time
import urllib.parse
import zlib
from collections import deque, namedtuple

log = logging.getLogger("ir_server")

MAX_SKEW_SECONDS = 300
MAX_BODY_BYTES = 16 * 1024 * 1024
BODY_PATTERN = b"0123456789"

Score = namedtuple("Score", "player_id endpoint hash body document")


def sign(api_key, timestamp, payload):
    """Signature a client must send: lower-case hex HMAC-SHA256."""
    if isinstance(api_key, str):
        api_key = api_key.encode("utf-8")
    if isinstance(payload, str):
        payload = payload.encode("utf-8")
    msg = str(timestamp).encode("ascii") + b"." + payload
    return hmac.new(api_key, msg, hashlib.sha256).hexdigest()


@dataclasses.dataclass
class RecordedRequest:
    time: float                 # time.monotonic() at arrival
    method: str
    path: str
    query: str                  # raw, after "?", "" when absent
    target: str                 # request target as sent
    headers: list               # [(name, value), ...] in arrival order
    body: bytes
    auth_ok: bool = False
    auth_error: str = None      # why authentication failed, None when it passed
    player_id: int = None
    fault: dict = None          # the fault that decided or changed the answer
    status: int = None          # status sent; None while pending or when closed
    closed: bool = False        # connection closed without an answer
    answered: bool = False      # status sent or connection closed

    def header(self, name):
        """First value of a header, case-insensitive, or None."""
        name = name.lower()
        for n, v in self.headers:
            if n.lower() == name:
                return v
        return None

    def header_names(self):
        return [n for n, _ in self.headers]

    def json(self):
        return json.loads(self.body.decode("utf-8"))


# ---------------------------------------------------------------------------
# Score document shape

def _is_int(v):
    return isinstance(v, int) and not isinstance(v, bool)


def _is_num(v):
    if isinstance(v, bool):
        return False
    if isinstance(v, int):
        return True
    return isinstance(v, float) and math.isfinite(v)


_CHECKS = {
    "bool": ("boolean", lambda v: isinstance(v, bool)),
    "int": ("integer", _is_int),
    "uint": ("unsigned integer", lambda v: _is_int(v) and v >= 0),
    "u8": ("integer 0..255", lambda v: _is_int(v) and 0 <= v <= 255),
    "num?": ("number or null", lambda v: v is None or _is_num(v)),
    "str": ("string", lambda v: isinstance(v, str)),
    "nestr": ("non-empty string", lambda v: isinstance(v, str) and v != ""),
    "pair": ("[integer, integer]",
             lambda v: isinstance(v, list) and len(v) == 2 and all(_is_int(x) for x in v)),
    "hp": ("array of 6 numbers or nulls",
           lambda v: isinstance(v, list) and len(v) == 6
           and all(x is None or _is_num(x) for x in v)),
}

SONG_SHAPE = {
    "hash": "nestr", "title": "str", "subtitle": "str", "genre": "str",
    "artist": "str", "subartist": "str",
    "maxBPM": "int", "minBPM": "int", "longnote": "int", "random": "int",
    "judge": "int", "level": "int", "courseStageCount": "int", "courseType": "int",
}

SETTINGS_SHAPE = {
    "gaugeOption": "int", "random": "pair", "autokey": "int", "assist": "pair",
    "dpflip": "int", "hsfix": "int", "randSC": "pair", "randFix": "pair",
    **{k: "int" for k in (
        "m_softlanding", "m_addmine", "m_addlong", "m_earthquake", "m_tornado",
        "m_superloop", "m_gambol", "m_char", "m_heartbeat", "m_loudness",
        "m_addnote", "m_nabeatsu", "m_accel", "m_sincurve", "m_wave", "m_spiral",
        "m_sidejump", "is_extra", "m_extra")},
    "m_lunaris": "u8", "m_gas": "bool", "gomiscore": "int",
    "disablecurspeedchange": "int",
}

STATE_SHAPE = {
    "player": "int", "keymode": "int", "randomseed": "int",
    "freqSpeedMultiplier": "num?", "song_runtime": "num?",
    "isNosave": "u8", "isForceEasy": "u8", "isCourse": "u8",
    "courseStageNow": "int", "notes_total": "int",
}

JUDGEMENTS_SHAPE = {k: "uint" for k in (
    "epg", "lpg", "egr", "lgr", "egd", "lgd", "ebd", "lbd", "epr", "lpr",
    "cb", "fast", "slow", "notes_played", "notes_total")}

PREVIOUS_BEST_SHAPE = {
    **{k: "int" for k in (
        "option_1", "option_2", "rseed", "exscore", "playcount", "clear",
        "pgreat", "great", "good", "bad", "poor", "maxcombo", "totalnotes",
        "rank", "rate", "clear_db", "clear_sd", "clear_ex", "clearcount",
        "failcount", "minbp")},
    "lamp": "str",
}
PREVIOUS_BEST_OPTIONAL_PAIR = ("random_2", "dpflip")

TOP_SHAPE = {
    "isPB": "bool", "song": SONG_SHAPE, "settings": SETTINGS_SHAPE,
    "state": STATE_SHAPE, "judgements_total": JUDGEMENTS_SHAPE,
    "max_combo": "uint", "HP": "hp", "gaugeType": "int", "moneyscore": "int",
    "exscore": "int", "rate": "num?", "clearType": "int", "lamp": "str",
    "inputType": "int", "previous_best": "previous_best",
}
TOP_OPTIONAL = {"ghost_data": "str"}


class ShapeError(ValueError):
    pass


def _check_object(obj, shape, where, optional=None):
    if not isinstance(obj, dict):
        raise ShapeError(f"{where or 'document'}: expected an object")
    optional = optional or {}
    for key in obj:
        if key not in shape and key not in optional:
            raise ShapeError(f"{where + '.' if where else ''}{key}: unexpected key")
    for key, kind in list(shape.items()) + list(optional.items()):
        name = f"{where + '.' if where else ''}{key}"
        if key not in obj:
            if key in optional:
                continue
            raise ShapeError(f"{name}: missing")
        _check_value(obj[key], kind, name)


def _check_value(value, kind, name):
    if isinstance(kind, dict):
        _check_object(value, kind, name)
    elif kind == "previous_best":
        if value is None:
            return
        present = [k for k in PREVIOUS_BEST_OPTIONAL_PAIR if isinstance(value, dict) and k in value]
        if len(present) == 1:
            raise ShapeError(f"{name}: random_2 and dpflip must come together")
        _check_object(value, PREVIOUS_BEST_SHAPE, name,
                      optional={k: "int" for k in PREVIOUS_BEST_OPTIONAL_PAIR})
    else:
        label, ok = _CHECKS[kind]
        if not ok(value):
            raise ShapeError(f"{name}: expected {label}")


def check_score_document(doc):
    """Raises ShapeError naming the first offending field."""
    _check_object(doc, TOP_SHAPE, "", optional=TOP_OPTIONAL)


def _reject_constant(name):
    raise ValueError(f"{name} is not JSON")


def _pairs_no_duplicates(pairs):
    out = {}
    for k, v in pairs:
        if k in out:
            raise ValueError(f"duplicate key {k!r}")
        out[k] = v
    return out


def parse_json_strict(raw):
    """UTF-8 JSON without NaN/Infinity or duplicate keys."""
    text = raw.decode("utf-8")
    return json.loads(text, parse_constant=_reject_constant,
                      object_pairs_hook=_pairs_no_duplicates)


# ---------------------------------------------------------------------------
# HTTP plumbing

class _Reply:
    def __init__(self, status, body=b"", headers=None):
        self.status = status
        self.body = body
        self.headers = headers or []


def _json_reply(status, obj):
    return _Reply(status, json.dumps(obj).encode("utf-8"))


def _error(status, message):
    return _json_reply(status, {"error": message})


def _body_bytes(body):
    if body is None:
        return b""
    if isinstance(body, (bytes, bytearray)):
        return bytes(body)
    if isinstance(body, str):
        return body.encode("utf-8")
    return json.dumps(body).encode("utf-8")


def _pattern(n):
    reps = n // len(BODY_PATTERN) + 1
    return (BODY_PATTERN * reps)[:n]


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "QuorvaneIRTest/1"
    timeout = 30

    ir = None  # IrServer, set on the subclass made per server

    def send_error(self, code, message=None, explain=None):
        # Requests too broken to parse (bad request line, oversized headers)
        # end here, before they reach the request log.
        log.info("unparseable request from %s: %d %s", self.address_string(), code, message)
        body = json.dumps({"error": message or self.responses.get(code, ("",))[0]}).encode()
        self.close_connection = True
        self.send_response(code, message)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD" and code >= 200 and code not in (204, 304):
            self.wfile.write(body)

    def log_message(self, fmt, *args):
        log.debug("%s %s", self.address_string(), fmt % args)

    # Every method goes through the same path so the log sees everything.
    def do_GET(self):
        self._serve()

    do_POST = do_PUT = do_DELETE = do_PATCH = do_OPTIONS = do_HEAD = do_GET

    def _serve(self):
        try:
            self._serve_inner()
        except (ConnectionError, ssl.SSLError, socket.timeout) as e:
            log.info("connection dropped: %s", e)
            self.close_connection = True
        except Exception:
            log.exception("request handling failed")
            self.close_connection = True
            try:
                self._send(_error(500, "internal error"), None)
            except Exception:
                pass

    def _read_body(self):
        te = self.headers.get("Transfer-Encoding")
        if te is not None:
            if te.strip().lower() != "chunked":
                return None, "unsupported Transfer-Encoding"
            return self._read_chunked()
        cl = self.headers.get_all("Content-Length") or []
        if not cl:
            return b"", None
        if len(set(v.strip() for v in cl)) != 1 or not re.fullmatch(r"[0-9]+", cl[0].strip()):
            return None, "bad Content-Length"
        n = int(cl[0])
        if n > MAX_BODY_BYTES:
            return None, "body too large"
        data = self.rfile.read(n)
        if len(data) != n:
            raise ConnectionError("body truncated")
        return data, None

    def _read_chunked(self):
        parts = []
        total = 0
        while True:
            line = self.rfile.readline(1024)
            if not line.endswith(b"\n"):
                raise ConnectionError("chunk header truncated")
            size_text = line.split(b";", 1)[0].strip()
            if not re.fullmatch(rb"[0-9A-Fa-f]+", size_text):
                return None, "bad chunk size"
            size = int(size_text, 16)
            if size == 0:
                while self.rfile.readline(8192) not in (b"\r\n", b"\n", b""):
                    pass
                return b"".join(parts), None
            total += size
            if total > MAX_BODY_BYTES:
                return None, "body too large"
            data = self.rfile.read(size)
            if len(data) != size:
                raise ConnectionError("chunk truncated")
            parts.append(data)
            self.rfile.readline(8)

    def _serve_inner(self):
        ir = self.ir
        words = self.requestline.split()
        target = words[1] if len(words) >= 2 else self.path
        path, _, query = target.partition("?")
        body, body_error = self._read_body()
        entry = RecordedRequest(
            time=time.monotonic(), method=self.command, path=path, query=query,
            target=target, headers=list(self.headers.items()),
            body=body if body is not None else b"")
        if body_error is None:
            payload = query.encode("latin-1") if self.command == "GET" else body
            entry.auth_ok, entry.auth_error, entry.player_id = ir._authenticate(self.headers, payload)
        else:
            entry.auth_error = "request unreadable"
        fault = ir._next_fault(path)
        entry.fault = fault
        ir._record(entry)

        if body_error is not None:
            self.close_connection = True
            self._send(_error(413 if body_error == "body too large" else 400, body_error), entry)
            return

        fault = fault or {}
        if fault.get("delay"):
            time.sleep(float(fault["delay"]))
        if fault.get("close"):
            self.close_connection = True
            ir._mark_closed(entry)
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return

        if any(k in fault for k in ("status", "body", "body_size")):
            if "body_size" in fault:
                data = _pattern(int(fault["body_size"]))
            elif "body" in fault:
                data = _body_bytes(fault["body"])
            else:
                status = int(fault.get("status", 200))
                data = _body_bytes({"error": f"scripted {status}"} if status >= 400 else {})
            reply = _Reply(int(fault.get("status", 200)), data)
        else:
            reply = ir._dispatch(entry)
        self._send(reply, entry, fault)

    def _send(self, reply, entry, fault=None):
        fault = fault or {}
        body = reply.body
        headers = [("Content-Type", "application/json")]
        if fault.get("gzip"):
            body = gzip.compress(body)
            headers.append(("Content-Encoding", "gzip"))
        elif fault.get("deflate"):
            body = zlib.compress(body)
            headers.append(("Content-Encoding", "deflate"))
        headers.append(("Content-Length", str(len(body))))
        headers += reply.headers
        extra = fault.get("headers") or []
        if isinstance(extra, dict):
            extra = list(extra.items())
        if extra:
            replaced = {n.lower() for n, _ in extra}
            headers = [(n, v) for n, v in headers if n.lower() not in replaced] + list(extra)
            if "content-length" in replaced:
                # The length may now lie; never reuse this connection.
                self.close_connection = True
        if self.close_connection:
            headers.append(("Connection", "close"))
        if entry is not None:
            self.ir._mark_status(entry, reply.status)
        self.send_response(reply.status)
        for n, v in headers:
            self.send_header(n, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
        self.wfile.flush()


class _TlsServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    block_on_close = False

    def __init__(self, addr, handler, context, ir):
        self.context = context
        self.ir = ir
        self.live = set()
        self.live_lock = threading.Lock()
        super().__init__(addr, handler)

    def finish_request(self, request, client_address):
        # The handshake runs here, on the connection's own thread, so a slow
        # or failing client never holds up the accept loop.
        request.settimeout(_Handler.timeout)
        # Headers and body go out as separate writes; without this each reply
        # can stall on delayed ACKs.
        request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        try:
            conn = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as e:
            log.info("TLS handshake with %s failed: %s", client_address, e)
            return
        with self.live_lock:
            self.live.add(conn)
        try:
            self.RequestHandlerClass(conn, client_address, self)
        finally:
            with self.live_lock:
                self.live.discard(conn)
            try:
                conn.close()
            except OSError:
                pass

    def close_live_connections(self):
        with self.live_lock:
            conns = list(self.live)
        for c in conns:
            try:
                c.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def handle_error(self, request, client_address):
        log.exception("error on connection from %s", client_address)


# ---------------------------------------------------------------------------

_SCHEMA = """
CREATE TABLE IF NOT EXISTS players (
    api_key TEXT PRIMARY KEY,
    player_id INTEGER NOT NULL,
    display_name TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS scores (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    player_id INTEGER NOT NULL,
    endpoint TEXT NOT NULL,
    hash TEXT NOT NULL,
    body TEXT NOT NULL,
    received REAL NOT NULL
);
"""

_TIMESTAMP_RE = re.compile(r"-?[0-9]{1,19}")


class IrServer:
    def __init__(self, port, certfile, keyfile, db_path, host="127.0.0.1", clock=time.time):
        self.host = host
        self.port = port
        self.certfile = certfile
        self.keyfile = keyfile
        self.db_path = db_path
        self.clock = clock
        self._lock = threading.Condition()
        self._db_lock = threading.Lock()
        self._requests = []
        self._faults = {}           # path -> deque of faults
        self._faults_all = deque()
        self._boards = {}           # hash -> document
        self._ghosts = {}
        self._httpd = None
        self._thread = None
        with self._db() as db:
            db.executescript(_SCHEMA)

        # path -> (method, handler(entry) -> _Reply)
        self.routes = {
            "/api/ir/login": ("GET", self._login),
            "/api/chart/score": ("POST", self._score),
            "/api/course/score": ("POST", self._score),
            "/api/chart/board": ("GET", self._board),
            "/api/course/board": ("GET", self._board),
            "/api/chart/ghost": ("GET", self._ghost),
        }

    # -- lifecycle ---------------------------------------------------------

    def start(self):
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.minimum_version = ssl.TLSVersion.TLSv1_2
        ctx.load_cert_chain(self.certfile, self.keyfile)
        ctx.set_alpn_protocols(["http/1.1"])
        handler = type("IrHandler", (_Handler,), {"ir": self})
        self._httpd = _TlsServer((self.host, self.port), handler, ctx, self)
        self.port = self._httpd.server_address[1]
        self._thread = threading.Thread(target=self._httpd.serve_forever,
                                        kwargs={"poll_interval": 0.05},
                                        name=f"ir-server:{self.port}", daemon=True)
        self._thread.start()
        log.info("listening on https://%s:%d", self.host, self.port)
        return self

    def stop(self):
        if self._httpd is None:
            return
        self._httpd.shutdown()
        self._httpd.server_close()
        self._httpd.close_live_connections()
        self._thread.join(5)
        self._httpd = None
        self._thread = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    @property
    def url(self):
        return f"https://{self.host}:{self.port}"

    # -- players and scores ------------------------------------------------

    def _db(self):
        return _Db(self.db_path, self._db_lock)

    def add_player(self, api_key, player_id, display_name=""):
        with self._db() as db:
            db.execute("INSERT OR REPLACE INTO players VALUES (?, ?, ?)",
                       (api_key, int(player_id), display_name))

    def remove_player(self, api_key):
        with self._db() as db:
            db.execute("DELETE FROM players WHERE api_key = ?", (api_key,))

    def _player(self, api_key):
        with self._db() as db:
            row = db.execute("SELECT player_id FROM players WHERE api_key = ?",
                             (api_key,)).fetchone()
        return row[0] if row else None

    def scores(self):
        with self._db() as db:
            rows = db.execute("SELECT player_id, endpoint, hash, body FROM scores ORDER BY id").fetchall()
        return [Score(p, e, h, b.encode("utf-8"), json.loads(b)) for p, e, h, b in rows]

    def clear_scores(self):
        with self._db() as db:
            db.execute("DELETE FROM scores")

    def set_board(self, hash, document):
        """Served by GET /api/chart/board and /api/course/board?hash=HASH.
        document: JSON-serialisable object, or bytes/str sent as they are."""
        with self._lock:
            self._boards[hash] = document

    def set_ghost(self, hash, document):
        """Served by GET /api/chart/ghost?hash=HASH."""
        with self._lock:
            self._ghosts[hash] = document

    # -- faults ------------------------------------------------------------

    def script(self, path, faults):
        with self._lock:
            self._faults.setdefault(path, deque()).extend(dict(f) for f in faults)

    def script_all(self, faults):
        with self._lock:
            self._faults_all.extend(dict(f) for f in faults)

    def clear_faults(self):
        with self._lock:
            self._faults.clear()
            self._faults_all.clear()

    def _next_fault(self, path):
        with self._lock:
            q = self._faults.get(path)
            if q:
                return q.popleft()
            if self._faults_all:
                return self._faults_all.popleft()
        return None

    # -- request log -------------------------------------------------------

    def _record(self, entry):
        log.info("%s %s auth=%s%s fault=%s", entry.method, entry.target,
                 "ok" if entry.auth_ok else "fail",
                 "" if entry.auth_ok else f" ({entry.auth_error})", entry.fault)
        with self._lock:
            self._requests.append(entry)
            self._lock.notify_all()

    def _mark_status(self, entry, status):
        with self._lock:
            entry.status = status
            entry.answered = True
            self._lock.notify_all()
        log.info("  -> %d", status)

    def _mark_closed(self, entry):
        with self._lock:
            entry.closed = True
            entry.answered = True
            self._lock.notify_all()
        log.info("  -> closed without answer")

    def requests(self, path=None):
        with self._lock:
            return [copy.copy(r) for r in self._requests if path is None or r.path == path]

    def clear_requests(self):
        with self._lock:
            self._requests.clear()

    def wait_for_requests(self, n, timeout=5.0, path=None):
        """Waits until at least n requests (to path, if given) have arrived and
        been answered or closed; returns them. Raises TimeoutError otherwise."""
        deadline = time.monotonic() + timeout

        def ready():
            got = [r for r in self._requests if path is None or r.path == path]
            return len(got) >= n and all(r.answered for r in got[:n])

        with self._lock:
            while not ready():
                left = deadline - time.monotonic()
                if left <= 0:
                    got = [f"{r.method} {r.target} -> {r.status}" for r in self._requests]
                    raise TimeoutError(f"wanted {n} requests{' to ' + path if path else ''}, log has: {got}")
                self._lock.wait(left)
            return [copy.copy(r) for r in self._requests if path is None or r.path == path]

    # -- authentication and endpoints --------------------------------------

    def _authenticate(self, headers, payload):
        """Returns (ok, reason, player_id)."""
        values = {}
        for name in ("x-api-key", "x-timestamp", "x-signature"):
            got = headers.get_all(name) or []
            if len(got) > 1:
                return False, f"{name} sent more than once", None
            values[name] = got[0] if got else None
        key, ts, sig = values["x-api-key"], values["x-timestamp"], values["x-signature"]
        if not key:
            return False, "missing x-api-key", None
        player_id = self._player(key)
        if player_id is None:
            return False, "unknown api key", None
        if ts is None or ts == "":
            return False, "missing x-timestamp", player_id
        if not _TIMESTAMP_RE.fullmatch(ts):
            return False, "x-timestamp is not an integer", player_id
        if abs(int(ts) - self.clock()) > MAX_SKEW_SECONDS:
            return False, "x-timestamp too far from server time", player_id
        if not sig:
            return False, "missing x-signature", player_id
        key_bytes = key.encode("latin-1")
        want = hmac.new(key_bytes, ts.encode("ascii") + b"." + payload, hashlib.sha256).hexdigest()
        if not hmac.compare_digest(want.encode("ascii"), sig.encode("latin-1")):
            return False, "bad signature", player_id
        return True, None, player_id

    def _dispatch(self, entry):
        route = self.routes.get(entry.path)
        if route is None:
            return _error(404, "no such endpoint")
        method, handler = route
        if entry.method != method:
            reply = _error(405, "method not allowed")
            reply.headers.append(("Allow", method))
            return reply
        if not entry.auth_ok:
            return _error(401, entry.auth_error)
        return handler(entry)

    def _login(self, entry):
        return _json_reply(200, {"logged_in": True, "player_id": entry.player_id})

    def _score(self, entry):
        try:
            doc = parse_json_strict(entry.body)
        except (UnicodeDecodeError, ValueError) as e:
            return _error(400, f"body is not JSON: {e}")
        try:
            check_score_document(doc)
        except ShapeError as e:
            return _error(400, str(e))
        with self._db() as db:
            db.execute("INSERT INTO scores (player_id, endpoint, hash, body, received) VALUES (?, ?, ?, ?, ?)",
                       (entry.player_id, entry.path, doc["song"]["hash"],
                        entry.body.decode("utf-8"), self.clock()))
        return _json_reply(200, {"ok": True})

    def _stored_document(self, entry, table):
        hashes = urllib.parse.parse_qs(entry.query).get("hash")
        if not hashes or not hashes[0]:
            return _error(400, "hash missing")
        with self._lock:
            doc = table.get(hashes[0])
        if doc is None:
            return _error(404, "unknown hash")
        return _Reply(200, _body_bytes(doc))

    def _board(self, entry):
        return self._stored_document(entry, self._boards)

    def _ghost(self, entry):
        return self._stored_document(entry, self._ghosts)


class _Db:
    """One short-lived connection per use, serialised by a lock."""

    def __init__(self, path, lock):
        self.path = path
        self.lock = lock

    def __enter__(self):
        self.lock.acquire()
        try:
            self.conn = sqlite3.connect(self.path, timeout=10)
        except Exception:
            self.lock.release()
            raise
        return self.conn

    def __exit__(self, exc_type, *rest):
        try:
            if exc_type is None:
                self.conn.commit()
            self.conn.close()
        finally:
            self.lock.release()


# ---------------------------------------------------------------------------

def _player_arg(text):
    parts = text.split(":", 2)
    if len(parts) < 2 or not parts[0] or not re.fullmatch(r"-?[0-9]+", parts[1]):
        raise argparse.ArgumentTypeError(f"expected KEY:ID[:NAME], got {text!r}")
    return parts[0], int(parts[1]), parts[2] if len(parts) == 3 else ""


def main(argv=None):
    ap = argparse.ArgumentParser(description="Local Quorvane IR test server")
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--cert", required=True)
    ap.add_argument("--key", required=True)
    ap.add_argument("--db", required=True)
    ap.add_argument("--add-player", type=_player_arg, action="append", default=[],
                    metavar="KEY:ID[:NAME]")
    ap.add_argument("--log", metavar="FILE")
    ap.add_argument("--pidfile", metavar="FILE")
    args = ap.parse_args(argv)

    log_to = {"filename": args.log} if args.log else {"stream": sys.stderr}
    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(threadName)s %(message)s", **log_to)

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())

    server = IrServer(args.port, args.cert, args.key, args.db, host=args.host)
    for key, pid, name in args.add_player:
        server.add_player(key, pid, name)
    server.start()
    if args.pidfile:
        with open(args.pidfile, "w") as f:
            f.write(f"{os.getpid()}\n")
    print(f"listening on https://{args.host}:{server.port}", flush=True)
    try:
        while not stop.wait(0.5):
            pass
    finally:
        server.stop()
        if args.pidfile:
            try:
                os.unlink(args.pidfile)
            except OSError:
                pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
