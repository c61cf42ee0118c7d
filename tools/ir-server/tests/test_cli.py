"""The command line, --seed, and the ways other code loads the server."""

import contextlib
import json
import os
import re
import signal
import ssl
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from .support import ENTRY_SCRIPT, IR_DIR, REPO_ROOT, IrServer, certs_dir, https_call, sign

E2E_DIR = REPO_ROOT / "tests" / "e2e"


@contextlib.contextmanager
def cli_server(*args):
    """Runs ir_server.py on a free port; yields (process, port)."""
    certs = certs_dir()
    proc = subprocess.Popen(
        [sys.executable, str(ENTRY_SCRIPT), "--port", "0", "--cert", str(certs / "server.pem"),
         "--key", str(certs / "server.key"), *map(str, args)],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        line = proc.stdout.readline()
        m = re.fullmatch(r"listening on https://127\.0\.0\.1:([0-9]+)\n", line)
        if not m:
            raise AssertionError(f"unexpected first line {line!r}")
        yield proc, int(m.group(1))
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        proc.stdout.close()


class CommandLineTest(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory(prefix="ir-server-cli-")
        self.addCleanup(tmp.cleanup)
        self.dir = Path(tmp.name)

    def test_cli_serves_until_sigterm(self):
        pidfile = self.dir / "cli.pid"
        with cli_server("--db", self.dir / "cli.sqlite", "--add-player", "cli-key:77:Name:with:colons",
                        "--add-player", "k2:78", "--log", self.dir / "cli.log",
                        "--pidfile", pidfile) as (proc, port):
            self.assertEqual(pidfile.read_text().strip(), str(proc.pid))
            status, _, body = https_call(port, "GET", "/api/ir/login", key="cli-key")
            self.assertEqual((status, json.loads(body)["player_id"]), (200, 77))
            self.assertEqual(https_call(port, "GET", "/api/ir/login", key="k2")[0], 200)
            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(5), 0)
        self.assertFalse(pidfile.exists())
        self.assertIn("/api/ir/login", (self.dir / "cli.log").read_text())
        srv = IrServer(0, "", "", str(self.dir / "cli.sqlite"))
        self.assertEqual(srv._player("cli-key"), 77)
        with srv._db() as db:
            self.assertEqual(db.execute("SELECT display_name FROM players WHERE api_key='cli-key'").fetchone()[0],
                             "Name:with:colons")

    def test_seed_file(self):
        seed = {
            "players": [{"api_key": "s1", "player_id": 1, "display_name": "One"},
                        {"api_key": "s2", "player_id": 2}],
            "plays": [{"player_id": 1, "hash": "H", "exscore": 500},
                      {"player_id": 2, "hash": "H", "exscore": 700, "clear_type": 5},
                      {"player_id": 2, "hash": "H", "exscore": 600, "endpoint": "/api/course/score"},
                      {"player_id": 1, "hash": "other", "exscore": 900}],
        }
        (self.dir / "seed.json").write_text(json.dumps(seed))
        with cli_server("--db", self.dir / "seed.sqlite", "--seed", self.dir / "seed.json",
                        "--add-player", "extra:3:Three") as (_, port):
            status, _, body = https_call(port, "GET", "/api/chart/board?hash=H&limit=999&offset=0", key="s1")
            self.assertEqual(https_call(port, "GET", "/api/ir/login", key="extra")[0], 200)
        board = json.loads(body)
        self.assertEqual(status, 200, board)
        self.assertEqual([(e["player_id"], e["display_name"], e["exscore"], e["playcount"], e["rank"])
                          for e in board["entries"]], [(2, "", 700, 2, 1), (1, "One", 500, 1, 2)])
        self.assertEqual((board["my_rank"], board["my_player_id"], board["total_playcount"],
                          board["clear_distribution"]), (2, 1, 3, [0, 0, 0, 1, 0, 1]))
        endpoints = [s.endpoint for s in IrServer(0, "", "", str(self.dir / "seed.sqlite")).scores()]
        self.assertEqual(endpoints, ["/api/chart/score"] * 2 + ["/api/course/score", "/api/chart/score"])

    def test_bad_seed_files_are_refused(self):
        cases = {
            "unknown play field": ('{"plays": [{"player_id": 1, "hash": "H", "score": 1}]}', "plays[0]"),
            "play without hash": ('{"plays": [{"player_id": 1}]}', "plays[0]: hash missing"),
            "negative count": ('{"plays": [{"player_id": 1, "hash": "H", "bad": -1}]}', "plays[0]"),
            "player without key": ('{"players": [{"player_id": 1}]}', "players[0]: api_key missing"),
            "unknown section": ('{"scores": []}', "players"),
            "not JSON": ("{", "--seed"),
            "missing file": (None, "--seed"),
        }
        for name, (text, want) in cases.items():
            with self.subTest(name):
                seed = self.dir / f"{name}.json"
                if text is not None:
                    seed.write_text(text)
                r = subprocess.run([sys.executable, str(ENTRY_SCRIPT), "--port", "0", "--cert", "c",
                                    "--key", "k", "--db", str(self.dir / "bad.sqlite"), "--seed", str(seed)],
                                   capture_output=True, text=True, timeout=10)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertIn(want, r.stderr)
                self.assertEqual(r.stdout, "")


class EntryPointTest(unittest.TestCase):
    def test_entry_points_from_elsewhere(self):
        # Each in a fresh interpreter started outside the repository.
        loader = (f"import sys; sys.path.insert(0, {str(E2E_DIR)!r}); "
                  "from irtest.server import ir_server; "
                  "print(ir_server.IrServer.__name__, ir_server.sign('k', 1, 'p'))")
        by_name = (f"import sys; sys.path.insert(0, {str(IR_DIR)!r}); import ir_server; "
                   "print('missing:', [n for n in ('IrServer', 'sign', 'RecordedRequest', 'Score', "
                   "'check_score_document', 'ShapeError', 'parse_json_strict', 'main', "
                   "'sample_score_document') if not hasattr(ir_server, n)])")
        cases = {
            "script --help": ([str(ENTRY_SCRIPT), "--help"], "--seed FILE"),
            "package --help": (["-m", "irserver", "--help"], "--add-player"),
            "e2e loader": (["-c", loader], f"IrServer {sign('k', 1, 'p')}\n"),
            "import by name": (["-c", by_name], "missing: []\n"),
        }
        for name, (argv, want) in cases.items():
            with self.subTest(name):
                env = dict(os.environ, PYTHONPATH=str(IR_DIR) if argv[0] == "-m" else "")
                r = subprocess.run([sys.executable, *argv], cwd="/", env=env,
                                   capture_output=True, text=True, timeout=10)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIn(want, r.stdout)

    def test_start_test_server(self):
        from irtest.server import start_test_server
        with tempfile.TemporaryDirectory() as d:
            srv = start_test_server(0, d)
            try:
                srv.add_player("fx", 3)
                status, _, _ = https_call(srv.port, "GET", "/api/ir/login", key="fx",
                                          ctx=ssl.create_default_context(cafile=srv.ca_file))
                self.assertEqual(status, 200)
            finally:
                srv.stop()
            # A second start gets a fresh database.
            srv = start_test_server(0, d)
            try:
                self.assertIsNone(srv._player("fx"))
                self.assertTrue(os.path.exists(srv.other_ca_file))
            finally:
                srv.stop()

