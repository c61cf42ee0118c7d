"""The same play submitted through this build and through the Linux build: the server
receives the same score document from both, byte for byte. For a Windows build this
proves that the play record reaches the DLL whole across the host's own std::string
and layout: short and long texts, texts that are not UTF-8, every number.

Exits 77 (skipped) and says why when the Linux build is not there."""

import argparse
import json
import os
import sys

import harness
from irtest.server import start_test_server
from test_submit import HASH, SubmitCase, play

SKIPPED = 77

# Both standard libraries keep up to 15 bytes inside the string object itself and
# longer texts on the heap, so the texts sit on either side of that boundary. The
# plugin sends text that is not UTF-8 with U+FFFD in its place; the ASCII between
# the bad bytes shows that they came through where they stood.
PLAY = play(
    song={"hash": HASH, "title": "x" * 15, "subtitle": "y" * 16, "genre": "",
          "artist": "ゲーム音楽",  # 15 bytes of UTF-8
          "subartist_hex": "4a6f73e92f835e8343836783cb2f" + "41" * 40,  # Latin-1, Shift-JIS
          "maxBPM": 2147483647, "minBPM": -2147483648, "level": 12, "courseType": 1},
    settings={"random": [3, -4], "randSC": [5, 6], "m_lunaris": 255, "m_gas": False,
              "disablecurspeedchange": -7},
    state={"player": 1, "keymode": 14, "randomseed": -123456789,
           "freqSpeedMultiplier": 1.5, "song_runtime": 123456.789, "isForceEasy": 1},
    judgements_total={"notes_played": 4294967295, "fast": 17, "slow": 23},
    HP=[100, 0.1, 1 / 3, 5e-324, 1.7976931348623157e308, -0.0], rate=0.975,
    clearType=6, inputType=2, ghost="g" * 1000)


class SameDocument(SubmitCase):
    reference = {}  # the Linux build's e2e-build.json

    def setUp(self):
        super().setUp()
        ref = self.reference
        self.linux = harness.Host(ref["host_exe"], ref["plugin"], ref["emulator"])
        self.linux_ir = start_test_server(
            ref["ir_port"], os.path.dirname(os.path.dirname(ref["ca_file"])))
        self.addCleanup(self.linux_ir.stop)
        self.linux_ir.add_player(self.api_key, self.player_id, "E2E Player")
        self.linux_plugin_dir = os.path.join(self.scratch, "linux-plugin")
        self.linux_plugin = self.linux.install_plugin(self.linux_plugin_dir)
        with open(os.path.join(self.linux_plugin_dir, "key.txt"), "w") as f:
            f.write(self.api_key)

    def test_the_linux_build_sends_the_same_document(self):
        self.store_best(perfect=400, great=100, op_best=4321)
        self.assertEqual(self.submit(PLAY), 0)
        path = os.path.join(self.scratch, "play.json")
        done = self.linux.run_json("submit", path, plugin=self.linux_plugin, cwd=self.workdir)
        self.assertEqual(done["result"], 0)
        [ours], [linux] = self.ir.scores(), self.linux_ir.scores()
        self.assertEqual(ours.body, linux.body)
        replaced = "WARN | payload_text_replaced | hash8=01234567"
        self.assertIn(replaced, self.log())
        self.assertIn(replaced, harness.log_lines(self.linux_plugin_dir))


def load_reference(path):
    """The Linux build's description, or None with why it cannot be used."""
    build = os.path.dirname(path)
    advice = "build it with: cmake --preset linux && cmake --build --preset linux"
    if not os.path.exists(path):
        return None, f"{build} is not configured ({advice})"
    with open(path) as f:
        reference = json.load(f)
    for key in ("host_exe", "plugin"):
        if not os.path.exists(reference[key]):
            return None, f"{reference[key]} is not built ({advice})"
    return reference, ""


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--reference", required=True, help="the Linux build's e2e-build.json")
    own, rest = parser.parse_known_args()
    SameDocument.reference, why = load_reference(own.reference)
    if SameDocument.reference is None:
        print(f"the score documents are not compared with the Linux build's: {why}")
        sys.exit(SKIPPED)
    sys.argv = [sys.argv[0], *rest]
    harness.main()
