"""Every network slot against what a server or the network can do wrong: one table of
faults, a column per slot. Each cell runs one quorvane-host in a plugin folder of its
own and checks the slot's result, the host's record, debug.log, the chart's cache file
and the requests the server saw. The four columns of a row run side by side, each
slot on its own server path, so the retry pauses overlap."""

import argparse
import concurrent.futures
import dataclasses
import json
import os
import re
import sys
import time

import harness

HASH = "0123456789abcdef0123456789abcdef"
SUBMITTED_HASH = "fedcba9876543210fedcba9876543210"
SLOTS = ("login", "submit", "rank", "ghost")
PATHS = {"login": "/api/ir/login", "submit": "/api/chart/score", "rank": "/api/chart/board",
         "ghost": "/api/chart/ghost"}
# (log label, endpoint's log name, query) of the GET slots.
GETS = {"login": ("login_fetch", "ir_login", ""),
        "rank": ("board_fetch", "chart", f"hash={HASH}&limit=999&offset=0"),
        "ghost": ("ghost_fetch", "chart", f"hash={HASH}&target_player_id=0&mode=top")}
ATTEMPTS = 4
PAUSES_S = (1, 2, 4, 4)  # after each attempt, the fourth too
RETRY_PAUSES_S = sum(PAUSES_S)
CACHE_BEFORE = '{"kept": true}'
SEEDED_GHOST = "seeded-ghost"
EMPTY_GHOST = {"display_name": "", "ghost_data": "", "option_main": 0, "option_pair": [0, 0],
               "option_flag": False, "random_seed": -1, "average_exscore": 0}
EMPTY_BOARD = {"entries": [], "clear_distribution": [0] * 6, "fetched_at": 0, "my_rank": 0,
               "player_count": 0, "total_playcount": 0}

# What a slot ends with. "Ok, empty": a ghost reply whose body holds no ghost.
OK, OK_EMPTY, RETRY, FAIL = "Ok", "Ok, empty", "Retry", "Fail"
RESULT = {OK: 0, OK_EMPTY: 0, RETRY: 1, FAIL: 2}


def mapped(status):
    """The plugin's reading of a status code."""
    return "Ok" if 200 <= status <= 299 else "Fail" if 400 <= status <= 499 else "Retry"


@dataclasses.dataclass(frozen=True)
class Answer:
    """A reply the transport hands over: its status and the body the plugin reads."""
    status: int
    body_size: int = None  # None: whatever the slot's normal answer measures


@dataclasses.dataclass(frozen=True)
class NoAnswer:
    """No reply: the transport fails. The log shows one of libcurl's codes on Linux
    and a Windows error code under Wine, each as a regular expression."""
    curl_codes: str     # alternatives, as a regular expression
    sent: bool          # whether the request went out before the failure
    status: int = None  # the status the server had sent before the connection broke
    win32_codes: str = "[1-9][0-9]*"


CLOSED = NoAnswer("52|56", sent=True)          # CURLE_GOT_NOTHING, CURLE_RECV_ERROR
CUT = NoAnswer("18", sent=True, status=200)    # CURLE_PARTIAL_FILE: the body ended early
STALLED = NoAnswer("28", sent=True)            # CURLE_OPERATION_TIMEDOUT
# The body's own bound ran out: a time-out on both transports (ERROR_WINHTTP_TIMEOUT).
TRICKLED = NoAnswer("28", sent=True, status=200, win32_codes="12002")
UNTRUSTED = NoAnswer("60", sent=False)         # CURLE_PEER_FAILED_VERIFICATION

NO_DECOMPRESSION = "Wine's WinHTTP does not decompress replies"


@dataclasses.dataclass(frozen=True)
class Row:
    name: str
    fault: dict            # queued for every attempt; None: the server's normal answer
    sees: object           # Answer or NoAnswer, each attempt alike
    login: str
    submit: str
    rank: str
    ghost: str
    post_sees: object = None           # the submission's, where it differs (no body read)
    certificate: str = "server"        # the server's certificate (make_certs.sh)
    waits: str = None                  # the time-out each attempt waits out: STALL or BODY
    on_wine: dict = dataclasses.field(default_factory=dict)  # slot -> reason to skip

    def expected(self, slot):
        return getattr(self, slot)


def error(status):
    return len(json.dumps({"error": f"scripted {status}"}))


STALL, BODY = "stall", "body"
# Each byte inside the receive time-out (3 s in the test presets), the body never whole
# within its own. A read that waited for the next byte, not for what is left of the
# body's time, would end an attempt at twice the pace.
TRICKLE_PACE_S = 2.9
# How far past its bound an attempt may end: libcurl looks at its clock about once a
# second, and the next attempt has to connect.
BODY_BOUND_SLACK_S = 1.5
NOT_JSON = b"<html>busy</html>"
TRUNCATED_JSON = b'{"logged_in": true, "entries": [{"player_id": 123456, "display_na'
MIB = 1 << 20
LIMIT = 262144  # the most of a body the plugin reads
UNZIPPED = {slot: NO_DECOMPRESSION for slot in ("login", "rank", "ghost")}

# name, the fault, what each attempt sees; then what login, submit, rank and ghost end with.
ROWS = [
    Row("normal answer",      None,                         Answer(200),
        OK, OK, OK, OK),
    Row("204 No Content",     {"status": 204, "body": b""}, Answer(204, 0),
        FAIL, OK, FAIL, OK_EMPTY),
    Row("301 Moved",          {"status": 301, "headers": {"Location": "/elsewhere"}},
        Answer(301, 2),
        RETRY, RETRY, RETRY, RETRY),
    Row("404 Not Found",      {"status": 404}, Answer(404, error(404)),
        FAIL, FAIL, FAIL, FAIL),
    Row("429 Too Many",       {"status": 429}, Answer(429, error(429)),
        FAIL, FAIL, FAIL, FAIL),
    Row("500 Server Error",   {"status": 500}, Answer(500, error(500)),
        RETRY, RETRY, RETRY, RETRY),
    Row("503 Unavailable",    {"status": 503}, Answer(503, error(503)),
        RETRY, RETRY, RETRY, RETRY),
    Row("closed, no answer",  {"close": True}, CLOSED,
        RETRY, RETRY, RETRY, RETRY),
    Row("closed in the body", {"truncate": 6}, CUT,
        RETRY, OK, RETRY, RETRY, post_sees=Answer(200)),
    Row("never answers",      {"stall": True}, STALLED,
        RETRY, RETRY, RETRY, RETRY, waits=STALL),
    Row("trickling body",     {"trickle": TRICKLE_PACE_S}, TRICKLED,
        RETRY, OK, RETRY, RETRY, post_sees=Answer(200), waits=BODY),
    Row("not JSON",           {"body": NOT_JSON}, Answer(200, len(NOT_JSON)),
        FAIL, OK, FAIL, OK_EMPTY),
    Row("truncated JSON",     {"body": TRUNCATED_JSON}, Answer(200, len(TRUNCATED_JSON)),
        FAIL, OK, FAIL, OK_EMPTY),
    Row("empty body",         {"body": b""}, Answer(200, 0),
        FAIL, OK, FAIL, OK_EMPTY),
    Row("1 MiB body",         {"body_size": MIB}, Answer(200, LIMIT),
        FAIL, OK, FAIL, OK_EMPTY),
    Row("gzip body",          {"gzip": True}, Answer(200),
        OK, OK, OK, OK, on_wine=UNZIPPED),
    Row("deflate body",       {"deflate": True}, Answer(200),
        OK, OK, OK, OK, on_wine=UNZIPPED),
    Row("certificate for another host", None, UNTRUSTED,
        RETRY, RETRY, RETRY, RETRY, certificate="wrong-host"),
    Row("certificate from another CA", None, UNTRUSTED,
        RETRY, RETRY, RETRY, RETRY, certificate="other-server"),
]


@dataclasses.dataclass
class Cell:
    """What one slot did under one fault."""
    skipped: str = None
    output: dict = None
    error: str = None      # the host did not end normally
    elapsed: float = 0.0
    log: list = None
    cache: str = None      # the cache file's content, None when there is none
    requests: list = None


class Faults(harness.ServerTestCase):
    receive_timeout_ms = 0
    response_timeout_ms = 0
    body_timeout_ms = 0

    def setUp(self):
        super().setUp()
        self.ir.add_play(self.player_id, HASH, pgreat=400, great=100, random_seed=77,
                         ghost_data=SEEDED_GHOST)
        self.play_file = os.path.join(self.scratch, "play.json")
        with open(self.play_file, "w") as f:
            json.dump({"song": {"hash": SUBMITTED_HASH, "title": "Faults"}, "exscore": 10,
                       "judgements_total": {"epg": 5, "notes_total": 5}}, f)

    def wait_seconds(self, row):
        """How long one attempt waits under the row's fault (a server that never
        answers, or a body that never ends), or None when the build's time-outs are
        too long to wait for."""
        if row.waits == STALL:
            bound = min(self.receive_timeout_ms, self.response_timeout_ms) / 1000
        else:
            bound = self.body_timeout_ms / 1000
        return bound if 0 < bound <= 10 else None

    # -- running the cells -------------------------------------------------------

    def skip_reason(self, row, slot):
        if row.waits and self.wait_seconds(row) is None:
            return ("needs short time-outs: configure with -DQUORVANE_RECEIVE_TIMEOUT_MS, "
                    "-DQUORVANE_RESPONSE_TIMEOUT_MS and -DQUORVANE_BODY_TIMEOUT_MS of 10000 "
                    "or less")
        if self.host.windows:
            return row.on_wine.get(slot)
        return None

    def run_cell(self, row, slot):
        cell = Cell(skipped=self.skip_reason(row, slot))
        if cell.skipped:
            return cell
        path = PATHS[slot]
        folder = os.path.join(self.scratch, slot + "-" + re.sub(r"\W+", "-", row.name))
        plugin = self.host.install_plugin(os.path.join(folder, "plugin"))
        plugin_dir = os.path.dirname(plugin)
        with open(os.path.join(plugin_dir, "key.txt"), "w") as f:
            f.write(self.api_key + "\r\n")
        chart = SUBMITTED_HASH if slot == "submit" else HASH
        cache_file = os.path.join(plugin_dir, "IR", chart + ".json")
        os.makedirs(os.path.dirname(cache_file))
        with open(cache_file, "w") as f:
            f.write(CACHE_BEFORE)
        game = os.path.join(folder, "game")
        os.makedirs(game)

        args = {"login": ["login"], "submit": ["submit", self.host.native_path(self.play_file)],
                "rank": ["rank", HASH], "ghost": ["ghost", HASH, "--mode", "top"]}[slot]
        seen_before = len(self.ir.requests(path))
        if row.fault is not None:
            self.ir.script(path, [row.fault] * ATTEMPTS)
        started = time.monotonic()
        try:
            cell.output = self.host.run_json(*args, plugin=plugin, cwd=game)
        except Exception as e:  # reported by the cell's check, with the others
            cell.error = f"{type(e).__name__}: {e}"
        cell.elapsed = time.monotonic() - started
        self.ir.clear_faults(path)
        seen = len(self.ir.requests(path)) - seen_before
        try:
            # Held requests count once the plugin has let go of them.
            cell.requests = self.ir.wait_for_requests(seen_before + seen, 10, path)[seen_before:]
        except TimeoutError as e:
            cell.error = f"requests still open: {e}"
            cell.requests = self.ir.requests(path)[seen_before:]
        cell.log = harness.log_lines(plugin_dir)
        if os.path.exists(cache_file):
            with open(cache_file, encoding="utf-8") as f:
                cell.cache = f.read()
        return cell

    def run_rows(self, rows):
        """Runs the rows' cells, each slot's column in a thread of its own; returns
        {(row name, slot): Cell}."""
        def column(slot):
            return {(row.name, slot): self.run_cell(row, slot) for row in rows}

        cells = {}
        with concurrent.futures.ThreadPoolExecutor(len(SLOTS)) as pool:
            for done in pool.map(column, SLOTS):
                cells.update(done)
        return cells

    def check_rows(self, rows):
        cells = self.run_rows(rows)
        for row in rows:
            for slot in SLOTS:
                with self.subTest(fault=row.name, slot=slot):
                    self.check(row, slot, cells[(row.name, slot)])

    # -- what each cell must show ------------------------------------------------

    def check(self, row, slot, cell):
        if cell.skipped:
            self.skipTest(cell.skipped)
        self.assertIsNone(cell.error, "the host ended abnormally")
        expected = row.expected(slot)
        sees = row.post_sees if slot == "submit" and row.post_sees else row.sees
        attempts = ATTEMPTS if expected == RETRY and slot != "submit" else 1

        if slot == "login":
            self.assertEqual(cell.output, {"logged_in": expected == OK})
        else:
            self.assertEqual(cell.output["result"], RESULT[expected])
        if slot == "rank":
            if expected == OK:
                [entry] = cell.output["board"]["entries"]
                self.assertEqual((entry["player_id"], entry["pgreat"]), (self.player_id, 400))
            else:
                self.assertEqual(cell.output["board"], EMPTY_BOARD)
        if slot == "ghost":
            ghost = cell.output["ghost"]
            if expected == OK:
                self.assertEqual((ghost["ghost_data"], ghost["random_seed"]), (SEEDED_GHOST, 77))
            else:
                self.assertEqual(ghost, EMPTY_GHOST)

        self.check_cache(slot, expected, cell.cache)
        self.check_log(slot, expected, sees, attempts, cell.log)

        if row.certificate != "server":
            self.assertEqual(cell.requests, [], "no request gets past the handshake")
        else:
            self.assertEqual(len(cell.requests), attempts)
            if sees.status is not None:
                self.assertEqual([r.status for r in cell.requests], [sees.status] * attempts)
            else:
                self.assertTrue(all(r.closed for r in cell.requests), "the plugin let go")
        if row.waits and isinstance(sees, NoAnswer):
            # Each attempt waits out the time-out, then the pause after it.
            lower = attempts * self.wait_seconds(row) + (RETRY_PAUSES_S if attempts > 1 else 0)
            self.assertGreaterEqual(cell.elapsed, lower - 0.5)
            self.assertLess(cell.elapsed, lower + 30)
        if row.waits == BODY and slot == "submit":
            # A submission reads no body: it lets go once the headers are in, so the
            # server gets out a byte of the body at most before it notices.
            self.assertLessEqual(cell.requests[0].body_sent, 1)
        elif row.waits == BODY:
            # Each attempt ends at the body's bound: the next one follows after its pause.
            arrivals = [r.time for r in cell.requests]
            bound = self.wait_seconds(row) + BODY_BOUND_SLACK_S
            for before, after, pause in zip(arrivals, arrivals[1:], PAUSES_S):
                self.assertLess(after - before - pause, bound)

    def check_cache(self, slot, expected, cache):
        if slot == "submit" and expected == OK:
            self.assertIsNone(cache, "a submission deletes the chart's cached board")
        elif slot == "rank" and expected == OK:
            self.assertNotEqual(cache, CACHE_BEFORE)
            [entry] = json.loads(cache)["entries"]
            self.assertEqual(entry["player_id"], self.player_id)
        else:
            self.assertEqual(cache, CACHE_BEFORE)

    def check_log(self, slot, expected, sees, attempts, log):
        port = self.ir_port
        code = None
        if isinstance(sees, NoAnswer):
            code = f"({sees.win32_codes})" if self.host.windows else f"({sees.curl_codes})"
        if slot == "submit":
            patterns = ["WARN | db_query | result=no_path hash8=fedcba98",
                        re.compile(rf"INFO \| http_begin \| endpoint=chart port={port} secure=1 "
                                   rf"body_size=[1-9][0-9]*")]
            if isinstance(sees, Answer):
                patterns.append(f"INFO | http_done | status_code={sees.status} "
                                f"mapped_status={mapped(sees.status)}")
            else:
                patterns += [f"ERROR | winhttp_send_fail | sent={int(sees.sent)}",
                             re.compile(rf"ERROR \| winhttp_send_fail_err \| win32={code}")]
            if expected != OK:
                patterns.append("WARN | send_score_fail | hash8=fedcba98")
        else:
            label, endpoint, query = GETS[slot]
            patterns = ["INFO | session_start"] if slot == "login" else []
            for _ in range(attempts):
                patterns.append(f"INFO | {label} | endpoint={endpoint} port={port} secure=1 "
                                f"query_len={len(query)}")
                if isinstance(sees, Answer):
                    size = "[0-9]+" if sees.body_size is None else str(sees.body_size)
                    patterns.append(re.compile(
                        rf"INFO \| {label}_done \| status_code={sees.status} "
                        rf"mapped_status={mapped(sees.status)} body_size={size}"))
                else:
                    patterns.append(re.compile(rf"ERROR \| http_winhttp_send_fail \| win32={code}"))
            if slot == "rank" and expected == FAIL and isinstance(sees, Answer) and \
                    mapped(sees.status) == "Ok":
                patterns.append(f"WARN | board_parse_fail | body_size={sees.body_size}")
            if slot == "login":
                patterns.append(f"INFO | login_done | logged_in={int(expected == OK)}")
        self.assertEqual(len(log), len(patterns), log)
        for line, pattern in zip(log, patterns):
            if isinstance(pattern, str):
                self.assertEqual(line, pattern, log)
            else:
                self.assertTrue(pattern.fullmatch(line), f"{line!r} !~ {pattern.pattern!r}")

    # -- the matrix --------------------------------------------------------------

    def test_replies_and_connections(self):
        self.check_rows([row for row in ROWS if row.certificate == "server"])

    def test_certificates(self):
        certs = self.ir.certs_dir
        for row in ROWS:
            if row.certificate == "server":
                continue
            self.ir.use_certificate(str(certs / f"{row.certificate}.pem"),
                                    str(certs / f"{row.certificate}.key"))
            self.check_rows([row])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--receive-timeout-ms", type=int, default=0)
    parser.add_argument("--response-timeout-ms", type=int, default=0)
    parser.add_argument("--body-timeout-ms", type=int, default=0)
    own, rest = parser.parse_known_args()
    Faults.receive_timeout_ms = own.receive_timeout_ms
    Faults.response_timeout_ms = own.response_timeout_ms
    Faults.body_timeout_ms = own.body_timeout_ms
    sys.argv = [sys.argv[0], *rest]
    harness.main()
