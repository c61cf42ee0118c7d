"""Runs quorvane-host (natively or under an emulator such as Wine) against a copy of
the plugin in a scratch folder, the way the game host would load it."""

import argparse
import json
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import unittest

from irtest.server import start_test_server


class Host:
    def __init__(self, host_exe, plugin, emulator="", ir_host="localhost"):
        self.host_exe = host_exe
        self.plugin = plugin
        self.emulator = emulator.split() if emulator else []
        self.ir_host = ir_host
        self.windows = bool(self.emulator)
        # Wine 8's WinHTTP does not take WINHTTP_OPTION_DECOMPRESSION: it sends no
        # Accept-Encoding and hands compressed replies over as they came. Windows does
        # both, so only the Wine runs leave the compression checks out.
        self.decompresses = not self.windows

    def native_path(self, path):
        """A path as the program under test understands it."""
        if not self.windows:
            return path
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    def install_plugin(self, folder):
        """Copies the plugin into folder and returns the copy's path."""
        os.makedirs(folder, exist_ok=True)
        target = os.path.join(folder, os.path.basename(self.plugin))
        shutil.copy2(self.plugin, target)
        return target

    def tool(self, name):
        """Another program of the build, beside quorvane-host (and named like it)."""
        host_exe = os.path.abspath(self.host_exe)
        return os.path.join(os.path.dirname(host_exe), name + os.path.splitext(host_exe)[1])

    def run(self, *args, plugin=None, cwd=None, timeout=120, exe=None):
        argv = [*self.emulator, exe or self.host_exe]
        if plugin is not None:
            argv += ["--plugin", self.native_path(plugin)]
        argv += [str(a) for a in args]
        # The local server is reached directly, whatever proxy the machine names.
        env = dict(os.environ, no_proxy="localhost,127.0.0.1", NO_PROXY="localhost,127.0.0.1")
        return subprocess.run(argv, cwd=cwd, env=env, capture_output=True, timeout=timeout)

    def text(self, output, errors="strict"):
        """A program's output as text; a Windows program's text-mode CR LF as LF."""
        text = output.decode("utf-8", errors=errors)
        return text.replace("\r\n", "\n") if self.windows else text

    def run_json(self, *args, **kwargs):
        done = self.run(*args, **kwargs)
        if done.returncode != 0:
            raise AssertionError(f"exit {done.returncode}: {done.stderr.decode(errors='replace')}")
        lines = done.stdout.decode("utf-8").strip().splitlines()
        if len(lines) != 1:
            raise AssertionError(f"expected one line of output, got {lines!r}")
        return json.loads(lines[0])


def log_lines(folder):
    """debug.log beside the plugin, each line without its timestamp."""
    path = os.path.join(folder, "debug.log")
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    lines = text.split("\n")
    assert lines[-1] == "", "the log ends with a line feed"
    return [line[22:] for line in lines[:-1]]


class HostTestCase(unittest.TestCase):
    host = None  # set by main()
    ir_port = 0
    ca_file = ""

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="quorvane-e2e-")
        self.plugin_dir = os.path.join(self.scratch, "plugin")
        self.plugin = self.host.install_plugin(self.plugin_dir)
        self.workdir = os.path.join(self.scratch, "game")
        os.makedirs(self.workdir)

    def tearDown(self):
        shutil.rmtree(self.scratch, ignore_errors=True)

    def write_key(self, content):
        mode = "wb" if isinstance(content, bytes) else "w"
        with open(os.path.join(self.plugin_dir, "key.txt"), mode) as f:
            f.write(content)

    def slot(self, *args, **kwargs):
        kwargs.setdefault("plugin", self.plugin)
        kwargs.setdefault("cwd", self.workdir)
        return self.host.run_json(*args, **kwargs)

    def log(self):
        return log_lines(self.plugin_dir)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host-exe", required=True)
    parser.add_argument("--plugin", required=True)
    parser.add_argument("--emulator", default="")
    parser.add_argument("--ir-host", default="localhost")
    parser.add_argument("--ir-port", type=int, default=0)
    parser.add_argument("--ca-file", default="")
    args, rest = parser.parse_known_args()
    HostTestCase.host = Host(args.host_exe, args.plugin, args.emulator, args.ir_host)
    HostTestCase.ir_port = args.ir_port
    HostTestCase.ca_file = args.ca_file
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


# The host's score table, with the columns the plugin reads.
SCORE_TABLE = (
    "CREATE TABLE score (hash TEXT PRIMARY KEY, clear INTEGER, perfect INTEGER, great INTEGER,"
    " good INTEGER, bad INTEGER, poor INTEGER, totalnotes INTEGER, maxcombo INTEGER,"
    " minbp INTEGER, playcount INTEGER, clearcount INTEGER, failcount INTEGER, rank INTEGER,"
    " rate INTEGER, clear_db INTEGER, clear_sd INTEGER, clear_ex INTEGER, op_best INTEGER,"
    " rseed INTEGER, ghost TEXT)")


class ServerTestCase(HostTestCase):
    """A test with the local IR server on the build's fixed port, and a player."""

    api_key = "e2e-key-0123456789abcdef"
    player_id = 123456

    def setUp(self):
        super().setUp()
        if not self.ir_port or not self.ca_file:
            self.skipTest("needs --ir-port and --ca-file")
        # The plugin trusts the CA it was built with: the server's certificates live
        # beside that CA file.
        state_dir = os.path.dirname(os.path.dirname(os.path.abspath(self.ca_file)))
        self.ir = start_test_server(self.ir_port, state_dir, **self.server_options())
        self.addCleanup(self.ir.stop)
        self.ir.add_player(self.api_key, self.player_id, "E2E Player")
        self.write_key(self.api_key + "\r\n")

    def server_options(self):
        return {}

    def make_host_files(self):
        """The game's own files in its working folder, as the game keeps them: the
        configuration naming the player, and the player's empty score database.
        Returns the database's path."""
        lr2 = os.path.join(self.workdir, "LR2files")
        os.makedirs(os.path.join(lr2, "Config"))
        os.makedirs(os.path.join(lr2, "Database", "Score"))
        with open(os.path.join(lr2, "Config", "config.xml"), "w", newline="\r\n") as f:
            f.write(f'<?xml version="1.0"?>\n<config>\n<player>\n<name>e2e</name>\n'
                    f"<id>{self.player_id}</id>\n</player>\n</config>\n")
        db = os.path.join(lr2, "Database", "Score", f"{self.player_id}.db")
        with sqlite3.connect(db) as connection:
            connection.execute(SCORE_TABLE)
        return db
