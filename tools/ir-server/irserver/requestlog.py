"""The log of every request that got as far as a request line and headers."""

import copy
import dataclasses
import json
import logging
import threading
import time

log = logging.getLogger("ir_server")


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
    answered: bool = False      # status and body sent, or connection closed
    body_sent: int = None       # bytes of a trickled body sent before it ended

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


class RequestLog:
    def __init__(self):
        self._cond = threading.Condition()
        self._requests = []

    def record(self, entry):
        log.info("%s %s auth=%s%s fault=%s", entry.method, entry.target,
                 "ok" if entry.auth_ok else "fail",
                 "" if entry.auth_ok else f" ({entry.auth_error})", entry.fault)
        with self._cond:
            self._requests.append(entry)
            self._cond.notify_all()

    def mark_status(self, entry, status, final=True):
        """The status sent; final=False while the body is still going out."""
        with self._cond:
            entry.status = status
            entry.answered = final
            self._cond.notify_all()
        log.info("  -> %d", status)

    def mark_closed(self, entry):
        with self._cond:
            entry.closed = True
            entry.answered = True
            self._cond.notify_all()
        log.info("  -> closed without answer")

    def mark_body_sent(self, entry, sent):
        with self._cond:
            entry.body_sent = sent
            entry.answered = True
            self._cond.notify_all()

    def requests(self, path=None):
        with self._cond:
            return [copy.copy(r) for r in self._requests if path is None or r.path == path]

    def clear(self):
        with self._cond:
            self._requests.clear()

    def wait_for(self, n, timeout=5.0, path=None):
        """Waits until at least n requests (to path, if given) have arrived and
        been answered or closed; returns them. Raises TimeoutError otherwise."""
        deadline = time.monotonic() + timeout

        def ready():
            got = [r for r in self._requests if path is None or r.path == path]
            return len(got) >= n and all(r.answered for r in got[:n])

        with self._cond:
            while not ready():
                left = deadline - time.monotonic()
                if left <= 0:
                    got = [f"{r.method} {r.target} -> {r.status}" for r in self._requests]
                    raise TimeoutError(f"wanted {n} requests{' to ' + path if path else ''}, log has: {got}")
                self._cond.wait(left)
            return [copy.copy(r) for r in self._requests if path is None or r.path == path]
