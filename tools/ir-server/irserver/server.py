"""IrServer: the TLS server, the store, fault scripts, the request log and the
endpoints put together."""

import json
import logging
import threading
import time

from . import auth, httpd, samples
from .endpoints import Endpoints
from .faults import FaultQueue
from .misbehaviour import Misbehaviour
from .replies import error_reply
from .requestlog import RequestLog
from .scoredoc import check_score_document
from .store import Store

log = logging.getLogger("ir_server")


class IrServer:
    def __init__(self, port, certfile, keyfile, db_path, host="127.0.0.1", clock=time.time,
                 misbehaviour=None):
        self.host = host
        self.port = port
        self.certfile = certfile
        self.keyfile = keyfile
        self.db_path = db_path
        self.clock = clock          # () -> seconds; read on every request
        # What this server gets wrong on purpose (misbehaviour.py); may be replaced
        # at any time, and is read on every request.
        self.misbehaviour = misbehaviour or Misbehaviour()
        self._store = Store(db_path, threading.Lock())
        self._faults = FaultQueue()
        self._log = RequestLog()
        self._endpoints = Endpoints(self._store, lambda: self.clock(),
                                    lambda: self.misbehaviour)
        self._httpd = None
        self._thread = None
        # path -> (method, handler(entry) -> Reply)
        self.routes = self._endpoints.routes()

    # -- lifecycle ---------------------------------------------------------

    def start(self):
        handler = type("IrHandler", (httpd.Handler,), {"ir": self})
        self._httpd = httpd.TlsServer((self.host, self.port), handler,
                                      httpd.tls_context(self.certfile, self.keyfile))
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

    def use_certificate(self, certfile, keyfile):
        """Serves every connection from now on with this certificate; the ones
        already open keep theirs."""
        self.certfile = certfile
        self.keyfile = keyfile
        if self._httpd is not None:
            self._httpd.context = httpd.tls_context(certfile, keyfile)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    @property
    def url(self):
        return f"https://{self.host}:{self.port}"

    # -- players and plays -------------------------------------------------

    def _db(self):
        return self._store.db()

    def add_player(self, api_key, player_id, display_name=""):
        self._store.add_player(api_key, player_id, display_name)

    def remove_player(self, api_key):
        self._store.remove_player(api_key)

    def _player(self, api_key):
        return self._store.player_for_key(api_key)

    def scores(self):
        """Every stored play: [Score(player_id, endpoint, hash, body, document)]."""
        return self._store.scores()

    def clear_scores(self):
        self._store.clear_scores()

    def add_play(self, player_id, hash, endpoint="/api/chart/score", **fields):
        """Stores a play as if player_id had submitted it to endpoint: the
        document of samples.sample_score_document(hash, **fields). Returns it."""
        doc = samples.sample_score_document(hash, **fields)
        check_score_document(doc)
        self._store.add_score(player_id, endpoint, hash, json.dumps(doc), self.clock())
        return doc

    def load_seed(self, data):
        """Players and plays of a seed file's JSON (see samples.py)."""
        samples.apply_seed(self, data)

    def set_board(self, hash, document):
        """Served by GET /api/chart/board and /api/course/board?hash=HASH instead
        of the board computed from the stored plays. document: JSON-serialisable
        object, or bytes/str sent as they are; None drops it again."""
        self._endpoints.set_board(hash, document)

    def set_ghost(self, hash, document):
        """Served by GET /api/chart/ghost?hash=HASH, whatever the mode."""
        self._endpoints.set_ghost(hash, document)

    # -- faults (see faults.py) --------------------------------------------

    def script(self, path, faults):
        self._faults.script(path, faults)

    def script_all(self, faults):
        self._faults.script_all(faults)

    def clear_faults(self, path=None):
        """Drops every fault, or only those scripted for path."""
        self._faults.clear(path)

    def _next_fault(self, path):
        return self._faults.next(path)

    # -- request log -------------------------------------------------------

    def requests(self, path=None):
        return self._log.requests(path)

    def clear_requests(self):
        self._log.clear()

    def wait_for_requests(self, n, timeout=5.0, path=None):
        """Waits until at least n requests (to path, if given) have arrived and
        been answered or closed; returns them. Raises TimeoutError otherwise."""
        return self._log.wait_for(n, timeout, path)

    def _record(self, entry):
        self._log.record(entry)

    def _mark_status(self, entry, status, final=True):
        self._log.mark_status(entry, status, final)

    def _mark_closed(self, entry):
        self._log.mark_closed(entry)

    def _mark_body_sent(self, entry, sent):
        self._log.mark_body_sent(entry, sent)

    # -- authentication and dispatch ---------------------------------------

    def _authenticate(self, headers, payload):
        """Returns (ok, reason, player_id)."""
        return auth.authenticate(headers, payload, self._player, self.clock(),
                                 self.misbehaviour)

    def _dispatch(self, entry):
        route = self.routes.get(entry.path)
        if route is None:
            return error_reply(404, "no such endpoint")
        method, handler = route
        if entry.method != method:
            reply = error_reply(405, "method not allowed")
            reply.headers.append(("Allow", method))
            return reply
        if not entry.auth_ok:
            return error_reply(401, entry.auth_error)
        return handler(entry)
