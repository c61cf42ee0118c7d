"""quorvane-host explain on logs that real runs of the plugin wrote."""

import argparse
import os
import sys
import time

import harness

LOGIN = "/api/ir/login"
HASH = "0123456789abcdef0123456789abcdef"


class ExplainMixin:
    def explain(self, *args, path=None):
        """The account as JSON: of path, or of the log beside the plugin."""
        extra = [self.host.native_path(path)] if path else []
        return self.slot("explain", "--json", *extra, *args)

    def only_session(self, account):
        self.assertEqual(account["schema"], 1)
        [session] = account["sessions"]
        return session

    def assert_activities(self, session, expected):
        """expected: [(activity, outcome, attempts, words in its summary)]."""
        got = [(a["activity"], a["outcome"], a["attempts"]) for a in session["activities"]]
        self.assertEqual(got, [e[:3] for e in expected], session["activities"])
        for activity, (*_, words) in zip(session["activities"], expected):
            for word in words:
                self.assertIn(word, activity["summary"] + " " + activity["advice"])

    def failures(self, session):
        return [e for e in session["events"] if e["failure"]]


class ExplainServerRuns(ExplainMixin, harness.ServerTestCase):
    receive_timeout_ms = 0  # the build's transport time-outs
    response_timeout_ms = 0

    def test_login_and_board(self):
        self.assertTrue(self.slot("login")["logged_in"])
        self.assertEqual(self.slot("rank", HASH)["result"], 0)
        # Text, of the log beside the plugin that --plugin names.
        done = self.host.run("explain", plugin=self.plugin, cwd=self.workdir)
        self.assertEqual(done.returncode, 0, done.stderr)
        text = self.host.text(done.stdout)
        self.assertIn("1 session.", text)
        self.assertIn("- Login: logged in.\n", text)
        self.assertIn("- Ranking board: received.\n", text)
        self.assertNotIn("What you can do", text)
        self.assertNotIn("not a line this explainer knows", text)
        events = [line[22:].split(" | ")[1] for line in self.raw_log().splitlines()]
        for event in events:
            self.assertIn(f" INFO {event}", text)

    def test_refused_key(self):
        self.write_key("not-a-registered-key")
        self.assertFalse(self.slot("login")["logged_in"])
        session = self.only_session(self.explain())
        self.assert_activities(session, [("login", "failed", 1, ["HTTP 401", "key.txt"])])
        [refused] = self.failures(session)[:1]
        self.assertEqual(refused["event"], "login_fetch_done")
        self.assertIn("five minutes", refused["meaning"])
        self.assertIn("date, time and time zone", refused["advice"])

    def test_clock_far_off_reads_as_the_same_refusal(self):
        self.ir.clock = lambda: time.time() + 1000
        self.assertFalse(self.slot("login")["logged_in"])
        session = self.only_session(self.explain())
        self.assert_activities(session, [("login", "failed", 1, ["clock", "five minutes"])])

    def test_busy_server_retried(self):
        self.ir.script(LOGIN, [{"status": 503}])
        self.assertTrue(self.slot("login")["logged_in"])
        session = self.only_session(self.explain())
        self.assert_activities(session, [("login", "succeeded", 2, ["attempt 2", "busy", "503"])])
        [busy] = self.failures(session)
        self.assertIn("mapped_status=Retry", busy["detail"])
        self.assertIn("tries again", busy["meaning"])

    def test_stalled_server(self):
        bound = max(self.receive_timeout_ms, self.response_timeout_ms) / 1000
        if 0 < bound <= 10:
            # The build's short time-out ends the first attempt; the second is answered.
            self.ir.script(LOGIN, [{"delay": bound + 5}])
            self.assertTrue(self.slot("login")["logged_in"])
            account = self.explain()
        else:
            # The build waits too long for a test: the log is the one a stalled first
            # attempt writes, by hand, with the transport's time-out code.
            code = 12002 if self.host.windows else 28
            port = self.ir_port
            account = self.explain(path=self.hand_written_log([
                "INFO | session_start",
                f"INFO | login_fetch | endpoint=ir_login port={port} secure=1 query_len=0",
                f"ERROR | http_winhttp_send_fail | win32={code}",
                f"INFO | login_fetch | endpoint=ir_login port={port} secure=1 query_len=0",
                "INFO | login_fetch_done | status_code=200 mapped_status=Ok body_size=36",
                "INFO | login_done | logged_in=1",
            ]))
        session = self.only_session(account)
        self.assert_activities(session, [("login", "succeeded", 2, ["timed out"])])
        [stall] = self.failures(session)
        self.assertEqual(stall["event"], "http_winhttp_send_fail")
        self.assertIn("did not answer in time", stall["meaning"])
        self.assertIn("went silent", stall["advice"])

    def hand_written_log(self, lines):
        path = os.path.join(self.scratch, "stalled.log")
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.writelines(f"2026-03-04 05:06:07 | {line}\n" for line in lines)
        return path

    def raw_log(self):
        with open(os.path.join(self.plugin_dir, "debug.log"), encoding="utf-8") as f:
            return f.read()


class ExplainUntrustedCertificate(ExplainMixin, harness.ServerTestCase):
    def setUp(self):
        super().setUp()
        self.ir.stop()
        import ir_server

        certs = self.ir.certs_dir
        self.ir = ir_server.IrServer(self.ir_port, str(certs / "other-server.pem"),
                                     str(certs / "other-server.key"),
                                     os.path.join(self.scratch, "other.sqlite")).start()
        self.addCleanup(self.ir.stop)

    def test_untrusted_certificate(self):
        self.assertFalse(self.slot("login")["logged_in"])
        session = self.only_session(self.explain())
        self.assert_activities(session, [
            ("login", "failed", 4, ["after 4 attempts", "certificate", "date and time"])])
        failures = self.failures(session)
        self.assertEqual([e["event"] for e in failures],
                         ["http_winhttp_send_fail"] * 4 + ["login_done"])
        for failure in failures[:4]:
            self.assertIn("certificate", failure["advice"])


class ExplainLogsByHand(ExplainMixin, harness.HostTestCase):
    def write_log(self, data):
        path = os.path.join(self.scratch, "debug.log.old")
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_lines_it_does_not_know_are_shown_as_they_stand(self):
        path = self.write_log(
            b"2026-03-04 05:06:07 | INFO | board_fetch | endpoint=chart port=443 secure=1"
            b" query_len=9\r\n"
            b"2026-03-04 05:06:08 | INFO | board_fetch_done | status_code=200"
            b" mapped_status=Ok body_size=99\r\n"
            b"written by an older plugin\r\n"
            b"2026-03-04 05:06:09 | INFO | a_newer_event | x=1\r\n"
            b"2026-03-04 05:0\xff\xfe\r\n"
            b"2026-03-04 05:06:10 | INFO | session_start\r\n"
            b"2026-03-04 05:06:10 | WARN | login_skip_no_api_key")
        account = self.explain(path=path)
        self.assertTrue(account["log"].endswith("debug.log.old"), account["log"])
        first, second = account["sessions"]
        self.assertIsNone(first["started"])
        unknown = [(e["line"], e["text"], e["event"]) for e in first["events"] if not e["known"]]
        self.assertEqual(unknown, [
            (3, "written by an older plugin", ""),
            (4, "2026-03-04 05:06:09 | INFO | a_newer_event | x=1", "a_newer_event"),
            (5, "2026-03-04 05:0\ufffd\ufffd", ""),
        ])
        self.assert_activities(first, [("board", "succeeded", 1, ["received"])])
        self.assertEqual(second["started"], "2026-03-04 05:06:10")
        self.assert_activities(second, [("login", "skipped", 0, ["key.txt"])])

        done = self.host.run("explain", self.host.native_path(path), cwd=self.workdir)
        self.assertEqual(done.returncode, 0, done.stderr)
        text = self.host.text(done.stdout, errors="replace")
        self.assertIn("line 3, not a line this explainer knows (shown as it stands):\n"
                      "      written by an older plugin\n", text)
        self.assertIn("- Login: skipped, because there is no API key", text)

    def test_log_under_folders_named_beyond_ascii(self):
        # No ANSI code page spells both names: a Windows program must read its
        # command line as UTF-16 to find this file.
        folder = os.path.join(self.scratch, "ゲーム", "José")
        os.makedirs(folder)
        path = self.write_log(b"2026-03-04 05:06:10 | INFO | session_start\n"
                              b"2026-03-04 05:06:10 | WARN | login_skip_no_api_key\n")
        os.rename(path, os.path.join(folder, "debug.log"))
        account = self.explain(path=os.path.join(folder, "debug.log"))
        self.assertEqual(account["log"], self.host.native_path(os.path.join(folder, "debug.log")))
        self.assert_activities(self.only_session(account), [("login", "skipped", 0, ["key.txt"])])

    def test_log_that_cannot_be_read(self):
        for path in [os.path.join(self.scratch, "missing.log"), self.scratch]:
            done = self.host.run("explain", self.host.native_path(path), cwd=self.workdir)
            self.assertEqual(done.returncode, 2, done)
            self.assertEqual(done.stdout, b"")
            self.assertTrue(done.stderr.startswith(b"quorvane-host: cannot read "), done.stderr)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--receive-timeout-ms", type=int, default=0)
    parser.add_argument("--response-timeout-ms", type=int, default=0)
    own, rest = parser.parse_known_args()
    ExplainServerRuns.receive_timeout_ms = own.receive_timeout_ms
    ExplainServerRuns.response_timeout_ms = own.response_timeout_ms
    sys.argv = [sys.argv[0], *rest]
    harness.main()
