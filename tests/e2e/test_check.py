"""quorvane-host check-server against the local IR server, sound and misbehaving."""

import json
import os
import re

import harness
from irtest.server import ir_server

CHART = "0123456789abcdef0123456789abcdef"
COURSE = "c0ffee" * 11
ROW = re.compile(r"(PASS|WARN|FAIL|SKIP)  (\S+) +([0-9]+) ms  (.+)")

# Each row: the server's misbehaviour, the check's own options, and every check that
# does not PASS, with its verdict. Rows share one server, in this order.
SWITCHES = [
    ({}, ["--no-submit"], {"submit.chart": "SKIP", "submit.course": "SKIP",
                           "board.has_play": "SKIP"}),
    ({}, [], {}),
    ({"skip_signature_check": True}, [],
     {"auth.bad_signature": "FAIL", "auth.missing_signature": "FAIL"}),
    ({"skip_timestamp_check": True}, [], {"auth.old_timestamp": "FAIL"}),
    ({"accept_unknown_keys": True}, [], {"login.wrong_key": "FAIL"}),
    ({"refuse_repeats": True}, [], {"auth.replay": "WARN"}),
    ({"camel_case": True}, [], {"login.ok": "FAIL", "board.lint": "WARN"}),
    ({"drop_member": "display_name"}, [],
     {"board.lint": "WARN", "ghost.target": "WARN", "ghost.top": "WARN", "ghost.average": "WARN"}),
    ({"mistype_member": "random_seed"}, [],
     {"ghost.target": "WARN", "ghost.top": "WARN", "ghost.average": "WARN"}),
    ({"oversized_board": True}, [],
     {"board.fetch": "FAIL", "board.cap": "WARN", "board.has_play": "SKIP", "board.lint": "SKIP",
      "board.cache": "SKIP", "ghost.target": "SKIP", "ghost.next": "SKIP"}),
]


class CheckServer(harness.ServerTestCase):
    def check(self, *options):
        return self.host.run("check-server", "--chart", CHART, "--course", COURSE, *options,
                             plugin=self.plugin, cwd=self.workdir)

    def rows(self, *options):
        done = self.check("--json", *options)
        lines = done.stdout.decode("utf-8").splitlines()
        self.assertEqual(len(lines), 1, done.stderr)
        return done.returncode, json.loads(lines[0])

    # The one the Windows runs take too: the transport of the check is the plugin's.
    def test_the_local_server_passes_and_json_tells_the_same(self):
        done = self.check()
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        lines = self.host.text(done.stdout).splitlines()
        template = f"https://{self.host.ir_host}/redirecthash/{{hash}}"
        self.assertEqual(lines[0], "Server check of " + template)
        text_rows = [ROW.fullmatch(line) for line in lines[1:-1]]
        self.assertTrue(all(text_rows), lines)
        self.assertEqual([m[1] for m in text_rows], ["PASS"] * len(text_rows), lines)
        self.assertEqual(lines[-1], f"{len(text_rows)} checks: {len(text_rows)} PASS, 0 WARN, "
                                    "0 FAIL, 0 SKIP")

        status, report = self.rows()
        self.assertEqual(status, 0)
        self.assertEqual(report["server"], template)
        self.assertEqual([(r["verdict"], r["check"], r["detail"]) for r in report["rows"]],
                         [(m[1], m[2], m[4]) for m in text_rows])
        self.assertTrue(all(isinstance(r["ms"], int) and r["ms"] >= 0 for r in report["rows"]))
        # Both runs' plays reached the server; the log beside the plugin is untouched.
        self.assertEqual(len(self.ir.scores()), 4)
        self.assertEqual(self.log(), [])

    def test_each_misbehaviour_turns_exactly_its_checks(self):
        if self.host.windows:
            self.skipTest("the server's side is the same under Wine: the table runs on Linux")
        for misbehaviour, options, expected in SWITCHES:
            with self.subTest(misbehaviour=misbehaviour, options=options):
                self.ir.misbehaviour = ir_server.Misbehaviour(**misbehaviour)
                status, report = self.rows(*options)
                got = {r["check"]: r["verdict"] for r in report["rows"] if r["verdict"] != "PASS"}
                self.assertEqual(got, expected, report)
                self.assertEqual(status, 1 if "FAIL" in expected.values() else 0)

    def test_a_server_that_is_down(self):
        if self.host.windows:
            self.skipTest("the explainer's words for the Windows codes are its own tests'")
        self.ir.stop()
        status, report = self.rows()
        self.assertEqual(status, 1)
        first, *rest = report["rows"]
        self.assertEqual((first["check"], first["verdict"]), ("login.ok", "FAIL"))
        self.assertIn("no connection to the server could be made", first["detail"])
        self.assertIn("(error 7, 4 attempts)", first["detail"])
        self.assertEqual({r["verdict"] for r in rest}, {"SKIP"})
        self.assertFalse(os.path.exists(os.path.join(self.plugin_dir, "IR")))


if __name__ == "__main__":
    harness.main()
