"""quorvane-host and the slots that need no IR server."""

import json
import os

import harness


class OfflineSlots(harness.HostTestCase):
    def test_name_template_and_page_url(self):
        prefix = f"https://{self.host.ir_host}/redirecthash/"
        self.assertEqual(self.slot("name"), {"name": "QuorvaneIR"})
        self.assertEqual(self.slot("template"), {"template": prefix + "{hash}"})
        self.assertEqual(self.slot("page-url", "abc"), {"url": prefix + "abc"})
        self.assertEqual(self.slot("page-url", "a/b%c"), {"url": prefix + "a/b%c"})
        self.assertEqual(self.slot("page-url", "--null-hash"), {"url": prefix})

    def test_plugin_paths(self):
        # Each row: the arguments, the folder the host runs in, its output and the log
        # beside this test's copy of the plugin, which tells which copy was loaded.
        bare_name = os.path.basename(self.plugin)
        rows = [
            # No --plugin: the plugin beside the executable.
            (["name"], self.workdir, {"name": "QuorvaneIR"}, []),
            # A bare file name is the file in the current folder, not one on the search path.
            (["--plugin", bare_name, "login"], self.plugin_dir, {"logged_in": False},
             ["INFO | session_start", "WARN | login_skip_no_api_key"]),
        ]
        for args, cwd, output, log in rows:
            done = self.host.run(*args, cwd=cwd)
            self.assertEqual(done.returncode, 0, (args, done.stderr))
            self.assertEqual(json.loads(done.stdout), output, args)
            self.assertEqual(self.log(), log, args)

    def test_null_and_empty_hashes(self):
        empty_board = {"entries": [], "clear_distribution": [0] * 6, "fetched_at": 0,
                       "my_rank": 0, "player_count": 0, "total_playcount": 0}
        self.assertEqual(self.slot("rank", "--null-hash"), {"result": 2, "board": empty_board})
        self.assertEqual(self.slot("rank-cached", ""), {"result": 0, "board": empty_board})
        ghost = self.slot("ghost", "--null-hash", "--mode", "top")
        self.assertEqual(ghost["result"], 2)
        self.assertEqual(ghost["ghost"]["random_seed"], -1)
        self.assertEqual(self.log(), [], "none of these writes a log line")

    def test_missing_key_is_reported_in_the_log_beside_the_plugin(self):
        self.assertEqual(self.slot("login"), {"logged_in": False})
        self.write_key("\r\n")
        self.assertEqual(self.slot("login"), {"logged_in": False})
        # Every process restarts the log at its first login.
        self.assertEqual(self.log(), ["INFO | session_start", "WARN | login_skip_no_api_key"])
        self.assertFalse(os.path.exists(os.path.join(self.workdir, "debug.log")))

    def test_log_outside_login_appends_across_runs(self):
        self.write_key("")
        for _ in range(2):
            self.assertEqual(self.slot("login"), {"logged_in": False})
        self.assertEqual(len(self.log()), 2)
        play = os.path.join(self.workdir, "play.json")
        with open(play, "w") as f:
            json.dump({"state": {"isNosave": 1}}, f)
        self.assertEqual(self.slot("submit", self.host.native_path(play)), {"result": 0})
        self.assertEqual(self.slot("submit", self.host.native_path(play)), {"result": 0})
        self.assertEqual(self.log()[-2:], ["INFO | skip_nosave", "INFO | skip_nosave"])


class ErrorExits(harness.HostTestCase):
    def assert_usage_error(self, *args, plugin=None, tool="quorvane-host"):
        exe = None if tool == "quorvane-host" else self.host.tool(tool)
        done = self.host.run(*args, plugin=plugin if plugin else self.plugin, cwd=self.workdir,
                             exe=exe)
        self.assertEqual(done.returncode, 2, (tool, args, done.stdout, done.stderr))
        self.assertEqual(done.stdout, b"")
        message = done.stderr.decode(errors="replace").strip()
        self.assertTrue(message.startswith(tool + ": "), message)
        if tool == "quorvane-host":
            self.assertEqual(len(message.splitlines()), 1, message)

    def test_usage_errors(self):
        # Everything else right, so only the bad value can stop the run.
        play = os.path.join(self.scratch, "nosave.json")
        with open(play, "w") as f:
            json.dump({"state": {"isNosave": 1}}, f)
        load = ("--hash", "h", "--play", self.host.native_path(play), "--rounds", "1")
        for tool, args in [
                ("quorvane-host", ()), ("quorvane-host", ("fly",)),
                ("quorvane-host", ("name", "x")), ("quorvane-host", ("page-url",)),
                ("quorvane-host", ("rank",)), ("quorvane-host", ("submit",)),
                ("quorvane-host", ("ghost", "h", "--mode", "sideways")),
                ("quorvane-host", ("ghost", "h", "--target", "x")),
                ("quorvane-host", ("login", "--bogus")),
                # No key.txt beside the plugin: no account to check the server with.
                ("quorvane-host", ("check-server",)),
                ("quorvane-load", (*load, "--threads", "x")),
                ("quorvane-load", (*load, "--threads", "0")),
                ("quorvane-load", (*load, "--rounds", "0")),
                ("quorvane-load", (*load, "--pad-log", "-1"))]:
            self.assert_usage_error(*args, tool=tool)

    def test_plugin_that_cannot_be_loaded(self):
        self.assert_usage_error("name", plugin=os.path.join(self.scratch, "missing.dll"))
        not_a_library = os.path.join(self.scratch, "fake.dll")
        with open(not_a_library, "wb") as f:
            f.write(b"not a library")
        self.assert_usage_error("name", plugin=not_a_library)

    def test_play_file_that_cannot_be_read(self):
        self.assert_usage_error("submit", self.host.native_path(os.path.join(self.scratch, "none.json")))
        for content in ["{not json", '{"exscore": "high"}', "[1, 2]"]:
            path = os.path.join(self.scratch, "bad.json")
            with open(path, "w") as f:
                f.write(content)
            self.assert_usage_error("submit", self.host.native_path(path))

    def test_help(self):
        done = self.host.run("--help", plugin=self.plugin)
        self.assertEqual(done.returncode, 0)
        text = done.stdout.decode()
        for word in ["page-url HASH", "rank-cached HASH", "--null-hash", "_hex", "BOARD", "GHOST"]:
            self.assertIn(word, text)


if __name__ == "__main__":
    harness.main()
