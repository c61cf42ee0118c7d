"""The endpoint handlers: login, score submission, boards and ghosts.

Boards and ghosts scripted with set_board / set_ghost are served as they are;
any other hash gets one computed from the stored plays (boards.py). Computed
replies are reshaped by the server's misbehaviour switches (misbehaviour.py).

    GET /api/chart/board, /api/course/board  ?hash=H[&limit=N][&offset=N]
    GET /api/chart/ghost  ?hash=H&target_player_id=N&mode=target|top|next|average

A board without limit has every row from offset on. A missing hash, an unknown
mode, a missing target_player_id for mode target, or a number that is not one:
400. A ghost with no play to come from: 404. A hash nobody played has an empty
board.
"""

import re
import threading
import urllib.parse

from . import boards
from .replies import Reply, body_bytes, error_reply, json_reply
from .scoredoc import ShapeError, check_score_document, parse_json_strict

_INT_RE = re.compile(r"-?[0-9]{1,10}")


class BadQuery(ValueError):
    pass


def _param(params, name):
    values = params.get(name)
    return values[0] if values else None


def _int_param(params, name, minimum=None, required=False):
    """A decimal query parameter; None when absent and not required."""
    text = _param(params, name)
    if text is None:
        if required:
            raise BadQuery(f"{name} missing")
        return None
    if not _INT_RE.fullmatch(text) or (minimum is not None and int(text) < minimum):
        raise BadQuery(f"{name} is not a valid number")
    return int(text)


class Endpoints:
    def __init__(self, store, now, misbehaviour):
        self.store = store
        self.now = now              # () -> server time in seconds
        self.misbehaviour = misbehaviour  # () -> Misbehaviour
        self._lock = threading.Lock()
        self._boards = {}           # hash -> scripted document
        self._ghosts = {}

    def routes(self):
        """path -> (method, handler(entry) -> Reply)"""
        return {
            "/api/ir/login": ("GET", self.login),
            "/api/chart/score": ("POST", self.score),
            "/api/course/score": ("POST", self.score),
            "/api/chart/board": ("GET", self.board),
            "/api/course/board": ("GET", self.board),
            "/api/chart/ghost": ("GET", self.ghost),
        }

    def set_board(self, hash, document):
        with self._lock:
            self._boards[hash] = document

    def set_ghost(self, hash, document):
        with self._lock:
            self._ghosts[hash] = document

    def login(self, entry):
        return json_reply(200, self.misbehaviour().reply(
            {"logged_in": True, "player_id": entry.player_id}))

    def score(self, entry):
        try:
            doc = parse_json_strict(entry.body)
        except (UnicodeDecodeError, ValueError) as e:
            return error_reply(400, f"body is not JSON: {e}")
        try:
            check_score_document(doc)
        except ShapeError as e:
            return error_reply(400, str(e))
        self.store.add_score(entry.player_id, entry.path, doc["song"]["hash"],
                             entry.body.decode("utf-8"), self.now())
        return json_reply(200, {"ok": True})

    def _query(self, entry, scripted):
        """(params, hash, scripted document or None); raises BadQuery."""
        params = urllib.parse.parse_qs(entry.query)
        hash = _param(params, "hash")
        if not hash:
            raise BadQuery("hash missing")
        with self._lock:
            return params, hash, scripted.get(hash)

    def board(self, entry):
        try:
            params, hash, doc = self._query(entry, self._boards)
            if doc is not None:
                return Reply(200, body_bytes(doc))
            offset = _int_param(params, "offset", minimum=0) or 0
            limit = _int_param(params, "limit", minimum=0)
        except BadQuery as e:
            return error_reply(400, str(e))
        return json_reply(200, self.misbehaviour().board(boards.board_document(
            self.store.plays(hash), self.store.display_names(), entry.player_id,
            offset=offset, limit=limit)))

    def ghost(self, entry):
        try:
            params, hash, doc = self._query(entry, self._ghosts)
            if doc is not None:
                return Reply(200, body_bytes(doc))
            mode = _param(params, "mode")
            if mode not in boards.GHOST_MODES:
                raise BadQuery(f"unknown mode {mode!r}" if mode else "mode missing")
            target = _int_param(params, "target_player_id", required=mode == "target")
        except BadQuery as e:
            return error_reply(400, str(e))
        try:
            row, average = boards.pick_ghost(boards.rows(self.store.plays(hash)),
                                             mode, entry.player_id, target)
        except boards.NoGhost as e:
            return error_reply(404, str(e))
        return json_reply(200, self.misbehaviour().reply(
            boards.ghost_document(row, average, self.store.display_names())))
