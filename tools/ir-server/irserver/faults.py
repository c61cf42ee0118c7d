"""Fault scripts: queued per path (or for any path), one taken per request.

A fault carrying "status", "body", "body_size", "close" or "stall" replaces the
answer entirely (no handler runs, nothing is stored, whatever the auth result); a
fault with only "delay", "gzip", "deflate", "headers", "truncate" or "trickle"
modifies the normal answer.

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
  stall     true: take the request and never answer; the connection stays open
            until the client gives up (or the server stops)
  truncate  int: send the headers, with the whole body's Content-Length, then only
            that many bytes of the body, and close the connection
  trickle   float: send the headers at once, then the body one byte every that
            many seconds, until it is sent or the client goes away (the request's
            body_sent counts the bytes it took)
"""

import gzip
import threading
import zlib
from collections import deque

from .replies import Reply, body_bytes

BODY_PATTERN = b"0123456789"
REPLACING_KEYS = ("status", "body", "body_size")


def pattern(n):
    reps = n // len(BODY_PATTERN) + 1
    return (BODY_PATTERN * reps)[:n]


class FaultQueue:
    def __init__(self):
        self._lock = threading.Lock()
        self._by_path = {}          # path -> deque of faults
        self._any = deque()

    def script(self, path, faults):
        with self._lock:
            self._by_path.setdefault(path, deque()).extend(dict(f) for f in faults)

    def script_all(self, faults):
        with self._lock:
            self._any.extend(dict(f) for f in faults)

    def clear(self, path=None):
        """Drops every fault, or only those queued for path."""
        with self._lock:
            if path is not None:
                self._by_path.pop(path, None)
                return
            self._by_path.clear()
            self._any.clear()

    def next(self, path):
        """The fault for a request to path: the path's own queue first."""
        with self._lock:
            q = self._by_path.get(path)
            if q:
                return q.popleft()
            if self._any:
                return self._any.popleft()
        return None


def replacing_reply(fault):
    """The reply a fault sends instead of the handler's, or None."""
    if not any(k in fault for k in REPLACING_KEYS):
        return None
    status = int(fault.get("status", 200))
    if "body_size" in fault:
        data = pattern(int(fault["body_size"]))
    elif "body" in fault:
        data = body_bytes(fault["body"])
    else:
        data = body_bytes({"error": f"scripted {status}"} if status >= 400 else {})
    return Reply(status, data)


def encode(reply, fault):
    """(body, headers, must_close) for a reply as a fault wants it sent."""
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
    must_close = False
    if extra:
        replaced = {n.lower() for n, _ in extra}
        headers = [(n, v) for n, v in headers if n.lower() not in replaced] + list(extra)
        # The length may now lie; never reuse this connection.
        must_close = "content-length" in replaced
    return body, headers, must_close
