"""Shared fixtures: throw-away certificates, sample documents, and a test case
base class with a server of its own on a free port, spoken to over TLS."""

import atexit
import http.client
import json
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

IR_DIR = Path(__file__).resolve().parents[1]
REPO_ROOT = IR_DIR.parents[1]
sys.path.insert(0, str(IR_DIR))
sys.path.append(str(REPO_ROOT / "tests" / "e2e"))

import ir_server  # noqa: E402
from ir_server import IrServer, sign  # noqa: E402,F401

ENTRY_SCRIPT = IR_DIR / "ir_server.py"
KEY = "test-key-Alpha"
PLAYER = 4242
OMIT = object()  # leave the header out


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
    subprocess.run(["bash", str(IR_DIR / "make_certs.sh"), str(outdir)], check=True,
                   stdout=subprocess.DEVNULL)


_certs = None


def certs_dir():
    """Certificates made once per test run, removed when it ends."""
    global _certs
    if _certs is None:
        tmp = tempfile.TemporaryDirectory(prefix="ir-server-certs-")
        atexit.register(tmp.cleanup)
        make_certs(tmp.name)
        _certs = Path(tmp.name)
    return _certs


def client_context(ca="ca.pem"):
    return ssl.create_default_context(cafile=str(certs_dir() / ca))


def https_call(port, method, target, body=None, key=KEY, ts=None, sig=None, sign_key=None,
               headers=None, conn=None, host="localhost", ctx=None):
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
    conn = conn or http.client.HTTPSConnection(host, port, context=ctx or client_context(), timeout=5)
    try:
        conn.request(method, target, body=body, headers=h)
        resp = conn.getresponse()
        return resp.status, dict(resp.getheaders()), resp.read()
    finally:
        if own:
            conn.close()


class ServerCase(unittest.TestCase):
    """A server per test class, with player KEY -> PLAYER "Alpha"; faults, the
    request log and (unless keep_scores) stored plays are cleared per test."""

    keep_scores = False

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="ir-server-test-")
        cls.dir = Path(cls.tmp.name)
        cls.certs = certs_dir()
        cls.now = None  # when set, the server's clock reads this
        cls.server = IrServer(0, str(cls.certs / "server.pem"), str(cls.certs / "server.key"),
                              str(cls.dir / "ir.sqlite"),
                              clock=lambda: cls.now if cls.now is not None else time.time())
        cls.server.start()
        cls.port = cls.server.port
        cls.server.add_player(KEY, PLAYER, "Alpha")
        cls.ctx = client_context()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.tmp.cleanup()

    def setUp(self):
        type(self).now = None
        self.server.clear_faults()
        self.server.clear_requests()
        if not self.keep_scores:
            self.server.clear_scores()

    def connect(self, host="localhost", port=None, timeout=5):
        return http.client.HTTPSConnection(host, port or self.port, context=self.ctx, timeout=timeout)

    def call(self, method, target, port=None, **kw):
        return https_call(port or self.port, method, target, ctx=self.ctx, **kw)

    def post_score(self, doc, path="/api/chart/score", **kw):
        return self.call("POST", path, body=json.dumps(doc).encode(), **kw)

    def get_json(self, target, **kw):
        """(status, decoded JSON body) of a signed GET."""
        status, _, body = self.call("GET", target, **kw)
        return status, json.loads(body)


# A ranking scenario for the board and ghost tests. Board order for RANKED:
#   player 1 (950), 2 (950, tie, higher id), 3 (800), 9 (800, no api key), 4 (701)
# with competition ranks 1, 1, 3, 3, 5 and 8 plays in all; each play has its own
# random seed so a ghost shows which play it came from.
RANKED = "ranked 0123/+"
RANKED_QUERY = "ranked%200123%2F%2B"
OTHER = "another"
CHART, COURSE = "/api/chart/score", "/api/course/score"
RANKED_PLAYERS = [("k1", 1, "One"), ("k2", 2, "Two"), ("k3", 3, "Three"), ("k4", 4, "Four")]
RANKED_PLAYS = [  # (player_id, hash, endpoint, add_play fields) in arrival order
    (2, RANKED, CHART, dict(exscore=900, clear_type=4, random_seed=79)),
    (2, RANKED, CHART, dict(exscore=950, clear_type=5, pgreat=401, great=148, good=12, bad=3,
                            poor=7, max_combo=555, keymode=14, gauge_option=4, random=(3, 2),
                            dpflip=1, random_seed=-77, ghost_data="G2")),
    (9, RANKED, CHART, dict(exscore=800, clear_type=0, random_seed=99, ghost_data="G9")),
    (1, RANKED, CHART, dict(exscore=950, clear_type=2, random_seed=11)),
    (2, RANKED, COURSE, dict(exscore=950, clear_type=3, random_seed=78, ghost_data="later tie")),
    (3, RANKED, COURSE, dict(exscore=800, clear_type=7, random_seed=33, ghost_data="G3")),
    (4, RANKED, CHART, dict(exscore=701, clear_type=1, random_seed=44, ghost_data="G4")),
    (4, RANKED, CHART, dict(exscore=10, clear_type=1, random_seed=45)),
    (4, OTHER, CHART, dict(exscore=2000, random_seed=46)),
]


class RankedCase(ServerCase):
    """ServerCase with the ranking scenario stored once for the class."""

    keep_scores = True

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for key, player_id, name in RANKED_PLAYERS:
            cls.server.add_player(key, player_id, name)
        for player_id, hash, endpoint, fields in RANKED_PLAYS:
            cls.server.add_play(player_id, hash, endpoint, **fields)
