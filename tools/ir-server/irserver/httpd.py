"""The HTTP/1.1 request handler and the threaded TLS server under IrServer.

Order of work for each request:
  1. read the whole request, evaluate authentication and record it in the log;
  2. if a fault is queued for the path (or for all paths), it decides the answer
     (see faults.py);
  3. otherwise: unknown path -> 404, wrong method -> 405, failed auth -> 401,
     then the endpoint handler.
"""

import http.server
import json
import logging
import re
import select
import socket
import ssl
import threading
import time

from . import faults
from .replies import error_reply
from .requestlog import RecordedRequest

log = logging.getLogger("ir_server")

MAX_BODY_BYTES = 16 * 1024 * 1024


class Handler(http.server.BaseHTTPRequestHandler):
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
                self._send(error_reply(500, "internal error"), None)
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
        self._acknowledge_now()
        data = self.rfile.read(n)
        if len(data) != n:
            raise ConnectionError("body truncated")
        return data, None

    def _acknowledge_now(self):
        """Acknowledges what came so far at once. A client that sends its body in a
        write of its own after the headers' (Wine's WinHTTP does) holds it back until
        the headers are acknowledged, and Linux delays that by up to 40 ms."""
        if hasattr(socket, "TCP_QUICKACK"):
            try:
                self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
            except OSError:
                pass

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
            self._send(error_reply(413 if body_error == "body too large" else 400, body_error), entry)
            return

        fault = fault or {}
        if fault.get("delay"):
            time.sleep(float(fault["delay"]))
        if fault.get("stall"):
            self.close_connection = True
            self._wait_for_client_to_leave()
            ir._mark_closed(entry)
            return
        if fault.get("close"):
            self.close_connection = True
            ir._mark_closed(entry)
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return

        reply = faults.replacing_reply(fault) or ir._dispatch(entry)
        self._send(reply, entry, fault)

    def _wait_for_client_to_leave(self):
        # Server.stop shuts the socket down, which wakes this up as well.
        conn = self.connection
        while True:
            readable, _, _ = select.select([conn], [], [], 1.0)
            if not readable:
                continue
            try:
                if not conn.recv(4096):
                    return
            except (OSError, ssl.SSLError):
                return

    def _send(self, reply, entry, fault=None):
        fault = fault or {}
        body, headers, must_close = faults.encode(reply, fault)
        cut = fault.get("truncate")
        if cut is not None:
            body = body[:int(cut)]
            must_close = True
        trickle = fault.get("trickle")
        if trickle is not None:
            must_close = True
        if must_close:
            self.close_connection = True
        if self.close_connection:
            headers.append(("Connection", "close"))
        if entry is not None:
            self.ir._mark_status(entry, reply.status, final=trickle is None)
        self.send_response(reply.status)
        for n, v in headers:
            self.send_header(n, v)
        self.end_headers()
        if self.command == "HEAD":
            body = b""
        if trickle is not None:
            self.wfile.flush()
            self._trickle(body, float(trickle), entry)
            return
        self.wfile.write(body)
        self.wfile.flush()
        if cut is not None:
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def _trickle(self, body, pace, entry):
        """Sends body a byte every pace seconds, until the client goes away."""
        sent = 0
        try:
            for i in range(len(body)):
                time.sleep(pace)
                self.wfile.write(body[i:i + 1])
                self.wfile.flush()
                sent += 1
        except (OSError, ssl.SSLError) as e:
            log.info("trickle stopped after %d of %d bytes: %s", sent, len(body), e)
        if entry is not None:
            self.ir._mark_body_sent(entry, sent)


class TlsServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    block_on_close = False

    def __init__(self, addr, handler, context):
        self.context = context
        self.live = set()
        self.live_lock = threading.Lock()
        super().__init__(addr, handler)

    def finish_request(self, request, client_address):
        # The handshake runs here, on the connection's own thread, so a slow
        # or failing client never holds up the accept loop.
        request.settimeout(Handler.timeout)
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


def tls_context(certfile, keyfile):
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.minimum_version = ssl.TLSVersion.TLSv1_2
    ctx.load_cert_chain(certfile, keyfile)
    ctx.set_alpn_protocols(["http/1.1"])
    return ctx
