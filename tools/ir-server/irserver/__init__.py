"""Local Quorvane IR server for tests and the demo.

HTTPS only (TLS 1.2 or newer, ALPN http/1.1), every request signed (auth.py).

    auth.py       request signatures
    httpd.py      HTTP handler and TLS server, the order of work per request
    faults.py     fault scripts
    misbehaviour.py  switches for what real servers get wrong
    requestlog.py the request log
    store.py      SQLite store of players and plays
    scoredoc.py   score-document shape checks and strict JSON
    endpoints.py  login, score, board and ghost handlers
    boards.py     boards and ghosts computed from the stored plays
    samples.py    sample plays and seed files
    server.py     IrServer
    cli.py        the command line (python3 -m irserver, or ir_server.py)
"""

from .auth import MAX_SKEW_SECONDS, sign
from .boards import option_packed
from .cli import main
from .faults import BODY_PATTERN
from .httpd import MAX_BODY_BYTES
from .misbehaviour import Misbehaviour
from .requestlog import RecordedRequest
from .samples import LAMPS, apply_seed, sample_score_document
from .scoredoc import ShapeError, check_score_document, parse_json_strict
from .server import IrServer
from .store import Score

__all__ = [
    "BODY_PATTERN", "IrServer", "LAMPS", "MAX_BODY_BYTES", "MAX_SKEW_SECONDS", "Misbehaviour",
    "RecordedRequest", "Score", "ShapeError", "apply_seed", "check_score_document",
    "main", "option_packed", "parse_json_strict", "sample_score_document", "sign",
]
