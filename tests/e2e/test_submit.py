"""Slot 2 end to end: the host's files, the score document and the local IR server."""

import json
import os
import sqlite3

import harness

CHART = "/api/chart/score"
COURSE = "/api/course/score"
HASH = "0123456789abcdef0123456789abcdef"


def play(**overrides):
    doc = {
        "song": {"hash": HASH, "title": "Quorvane", "artist": "E2E", "level": 7},
        "settings": {"random": [1, 0], "assist": [0, 0], "m_gas": True, "m_lunaris": 2},
        "state": {"player": 0, "keymode": 7, "freqSpeedMultiplier": 1.0},
        "judgements_total": {"epg": 300, "lpg": 200, "egr": 60, "lgr": 40, "egd": 4,
                             "ebd": 3, "epr": 2, "notes_total": 612},
        "max_combo": 321, "HP": [100, 80.5, 0, 0, 0, 0], "exscore": 1100, "rate": 0.9,
        "clearType": 3, "ghost": "play-ghost",
    }
    for key, value in overrides.items():
        if isinstance(value, dict) and isinstance(doc.get(key), dict):
            doc[key].update(value)
        else:
            doc[key] = value
    return doc


class SubmitCase(harness.ServerTestCase):
    """A player's host files: config.xml and an empty score database."""

    def setUp(self):
        super().setUp()
        self.db = self.make_host_files()

    def store_best(self, hash=HASH, perfect=500, great=100, ghost="stored-ghost", op_best=21):
        with sqlite3.connect(self.db) as db:
            db.execute("INSERT INTO score VALUES (?,4,?,?,4,3,2,612,300,9,12,10,2,5,88,1,0,0,?,"
                       "4242,?)", (hash, perfect, great, op_best, ghost))

    def submit(self, doc):
        path = os.path.join(self.scratch, "play.json")
        with open(path, "w") as f:
            json.dump(doc, f)
        return self.slot("submit", self.host.native_path(path))["result"]

    def cache_file(self, hash=HASH):
        return os.path.join(self.plugin_dir, "IR", hash + ".json")

    def make_cache(self, hash=HASH):
        os.makedirs(os.path.join(self.plugin_dir, "IR"), exist_ok=True)
        with open(self.cache_file(hash), "w") as f:
            f.write("{}")


class Submit(SubmitCase):
    def test_beating_the_stored_best(self):
        self.store_best(perfect=500, great=90)  # EX 1090
        self.make_cache()
        self.assertEqual(self.submit(play()), 0)
        [score] = self.ir.scores()
        self.assertEqual(score.player_id, self.player_id)
        self.assertEqual(score.endpoint, CHART)
        doc = score.document
        self.assertIs(doc["isPB"], True)
        self.assertEqual(doc["ghost_data"], "play-ghost")
        self.assertEqual(doc["lamp"], "NORMAL")
        self.assertEqual(doc["previous_best"]["exscore"], 1090)
        self.assertEqual(doc["previous_best"]["option_1"], 1)
        self.assertEqual(doc["previous_best"]["option_2"], 2)
        self.assertEqual(doc["previous_best"]["rseed"], 4242)
        self.assertNotIn("random_2", doc["previous_best"])
        self.assertEqual(doc["song"]["level"], 7)
        self.assertEqual(doc["settings"]["m_gas"], True)
        # The body is the compact, sorted document, byte for byte.
        self.assertEqual(score.body, json.dumps(doc, sort_keys=True, separators=(",", ":"),
                                                ensure_ascii=False).encode())
        self.assertFalse(os.path.exists(self.cache_file()))
        port = self.ir_port
        self.assertEqual(self.log(), [
            "INFO | db_query | result=ok hash8=01234567",
            f"INFO | http_begin | endpoint=chart port={port} secure=1 body_size={len(score.body)}",
            "INFO | http_done | status_code=200 mapped_status=Ok",
        ])
        [request] = self.ir.requests(CHART)
        self.assertTrue(request.auth_ok)
        self.assertEqual(request.target, CHART)
        names = sorted(n.lower() for n in request.header_names())
        expected = ["host", "content-type", "content-length", "user-agent", "x-api-key",
                    "x-timestamp", "x-signature"]
        if self.host.decompresses:
            expected.append("accept-encoding")
        self.assertEqual([n for n in names if n not in ("connection",)], sorted(expected))
        self.assertEqual(request.header("Content-Length"), str(len(score.body)))

    def test_no_stored_row(self):
        self.assertEqual(self.submit(play(ghost="Z")), 0)
        doc = self.ir.scores()[0].document
        self.assertIsNone(doc["previous_best"])
        self.assertIs(doc["isPB"], True)
        self.assertNotIn("ghost_data", doc)
        self.assertEqual(self.log()[0], "INFO | db_query | result=no_row hash8=01234567")

    def test_stored_ghost_and_personal_best_cases(self):
        self.store_best()  # EX 1100
        cases = [({"exscore": 1101}, True), ({"exscore": 1099}, False),
                 # Equal EX score: a best only with all five totals equal to the row's.
                 ({"exscore": 1100, "judgements_total": {"epr": 3}}, False),
                 ({"exscore": 1100, "judgements_total": {"epg": 500, "lpg": 0}}, True)]
        for overrides, pb in cases:
            self.ir.clear_scores()
            self.assertEqual(self.submit(play(ghost="GHOST_ERROR", **overrides)), 0)
            doc = self.ir.scores()[0].document
            self.assertIs(doc["isPB"], pb, overrides)
            self.assertEqual(doc["ghost_data"], "stored-ghost")

    def test_endpoint_rule(self):
        for stages, kind, endpoint in [(3, 0, COURSE), (3, 2, COURSE), (3, 1, CHART), (0, 0, CHART)]:
            self.ir.clear_scores()
            self.assertEqual(self.submit(play(song={"courseStageCount": stages,
                                                    "courseType": kind})), 0)
            self.assertEqual(self.ir.scores()[0].endpoint, endpoint, (stages, kind))

    def test_double_play_previous_best(self):
        self.store_best(op_best=4321)
        self.submit(play(state={"keymode": 14}))
        best = self.ir.scores()[0].document["previous_best"]
        self.assertEqual([best[k] for k in ("option_1", "option_2", "random_2", "dpflip")],
                         [1, 2, 3, 4])

    def test_skip_rules_make_no_request_and_read_no_file(self):
        os.remove(self.db)
        os.remove(os.path.join(self.workdir, "LR2files", "Config", "config.xml"))
        cases = [
            (play(settings={"assist": [1, 0]}, state={"isNosave": 1}), 0, "INFO | skip_assist"),
            (play(state={"isNosave": 1}), 0, "INFO | skip_nosave"),
            (play(song={"hash": ""}), 2, "WARN | skip_invalid_hash"),
        ]
        for doc, result, line in cases:
            os.remove(os.path.join(self.plugin_dir, "debug.log")) if self.log() else None
            self.assertEqual(self.submit(doc), result)
            self.assertEqual(self.log(), [line])
        os.remove(os.path.join(self.plugin_dir, "key.txt"))
        os.remove(os.path.join(self.plugin_dir, "debug.log"))
        self.assertEqual(self.submit(play(song={"hash": ""})), 2)
        self.assertEqual(self.log(), ["WARN | skip_no_api_key"])
        self.assertEqual(self.ir.requests(), [])

    def test_refusals_keep_the_cache(self):
        for status, result in [(503, 1), (400, 2)]:
            self.make_cache()
            os.remove(os.path.join(self.plugin_dir, "debug.log")) if self.log() else None
            self.ir.script(CHART, [{"status": status}])
            self.assertEqual(self.submit(play()), result)
            self.assertTrue(os.path.exists(self.cache_file()))
            self.assertEqual(self.log()[-2:], [
                f"INFO | http_done | status_code={status} "
                f"mapped_status={'Retry' if result == 1 else 'Fail'}",
                "WARN | send_score_fail | hash8=01234567"])
        self.assertEqual(len(self.ir.requests(CHART)), 2, "each submission is sent once")

    def test_text_that_is_not_utf8_is_replaced(self):
        self.assertEqual(self.submit(play(song={"title_hex": "835e8343836783cb"})), 0)
        doc = self.ir.scores()[0].document
        self.assertIn("\ufffd", doc["song"]["title"])
        self.assertEqual(doc["song"]["hash"], HASH)
        self.assertIn("WARN | payload_text_replaced | hash8=01234567", self.log())

    def test_non_finite_doubles_are_sent_as_null(self):
        self.assertEqual(self.submit(play(rate="Infinity", HP=[100, "NaN", "-Infinity"])), 0)
        doc = self.ir.scores()[0].document
        self.assertIsNone(doc["rate"])
        self.assertEqual(doc["HP"][:3], [100, None, None])
        path = os.path.join(self.scratch, "huge.json")
        with open(path, "w") as f:
            f.write('{"rate": 1e400}')
        done = self.host.run("submit", self.host.native_path(path), plugin=self.plugin,
                             cwd=self.workdir)
        self.assertEqual(done.returncode, 2)
        self.assertEqual(len(self.ir.scores()), 1)


if __name__ == "__main__":
    harness.main()
