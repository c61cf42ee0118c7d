"""Starting the local IR server from an end-to-end test.

    from irtest.server import start_test_server

    class SubmitTest(unittest.TestCase):
        def setUp(self):
            self.ir = start_test_server(48700, self.state_dir)
            self.addCleanup(self.ir.stop)
            self.ir.add_player("key-1", 1001, "Tester")

The returned object is an ir_server.IrServer with extra attributes:
    ca_file, other_ca_file, certs_dir, state_dir
"""

import importlib.util
import os
import socket
import subprocess
import sys
import time
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[3]
IR_SERVER_DIR = REPO_ROOT / "tools" / "ir-server"
MAKE_CERTS = IR_SERVER_DIR / "make_certs.sh"
DB_NAME = "ir.sqlite"


def _load_ir_server():
    mod = sys.modules.get("ir_server")
    if mod is not None:
        return mod
    module_spec = importlib.util.spec_from_file_location("ir_server", IR_SERVER_DIR / "ir_server.py")
    mod = importlib.util.module_from_spec(module_spec)
    sys.modules["ir_server"] = mod
    module_spec.loader.exec_module(mod)
    return mod


ir_server = _load_ir_server()


def make_certs(certs_dir):
    """Creates (or reuses) the throw-away certificates; returns the directory."""
    certs_dir = Path(certs_dir)
    subprocess.run(["bash", str(MAKE_CERTS), str(certs_dir)], check=True,
                   stdout=subprocess.DEVNULL)
    return certs_dir


def wait_for_port(port, host="127.0.0.1", timeout=10.0):
    deadline = time.monotonic() + timeout
    while True:
        try:
            with socket.create_connection((host, port), timeout=1):
                return
        except OSError:
            if time.monotonic() >= deadline:
                raise TimeoutError(f"nothing accepts connections on {host}:{port}")
            time.sleep(0.05)


def start_test_server(port, state_dir, clock=time.time):
    """Certificates in state_dir/certs (made once), a fresh player/score
    database in state_dir, server started and accepting connections."""
    state_dir = Path(state_dir)
    state_dir.mkdir(parents=True, exist_ok=True)
    certs = make_certs(state_dir / "certs")
    db = state_dir / DB_NAME
    for suffix in ("", "-journal", "-wal", "-shm"):
        try:
            os.unlink(str(db) + suffix)
        except FileNotFoundError:
            pass
    server = ir_server.IrServer(port, str(certs / "server.pem"), str(certs / "server.key"),
                                str(db), clock=clock)
    server.start()
    try:
        wait_for_port(server.port)
    except Exception:
        server.stop()
        raise
    server.state_dir = state_dir
    server.certs_dir = certs
    server.ca_file = str(certs / "ca.pem")
    server.other_ca_file = str(certs / "other-ca.pem")
    return server
