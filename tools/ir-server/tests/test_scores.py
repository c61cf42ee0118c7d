"""Score submission: shape checks, strict JSON, storage."""

import json

from .support import PLAYER, ServerCase, ir_server, previous_best, valid_score


class ScoreTest(ServerCase):
    def test_valid_scores_are_stored(self):
        doc = valid_score()
        body = json.dumps(doc).encode()
        status, _, reply = self.call("POST", "/api/chart/score", body=body)
        self.assertEqual((status, json.loads(reply)), (200, {"ok": True}))
        course = valid_score()
        course["song"]["hash"] = "c" * 64
        course["previous_best"] = dict(previous_best(), random_2=1, dpflip=0)
        course["ghost_data"] = "abc"
        self.assertEqual(self.post_score(course, path="/api/course/score")[0], 200)
        s1, s2 = self.server.scores()
        self.assertEqual(s1, (PLAYER, "/api/chart/score", doc["song"]["hash"], body, doc))
        self.assertEqual((s2.endpoint, s2.hash, s2.document), ("/api/course/score", "c" * 64, course))

    def test_accepted_variants(self):
        variants = {
            "previous_best object": lambda d: d.update(previous_best=previous_best()),
            "rate null": lambda d: d.update(rate=None),
            "all HP null": lambda d: d.update(HP=[None] * 6),
            "float runtime null": lambda d: d["state"].update(song_runtime=None),
            "integer freq": lambda d: d["state"].update(freqSpeedMultiplier=2),
            "negative integer": lambda d: d.update(moneyscore=-1),
            "lunaris 255": lambda d: d["settings"].update(m_lunaris=255),
        }
        for name, change in variants.items():
            with self.subTest(name):
                doc = valid_score()
                change(doc)
                status, _, body = self.post_score(doc)
                self.assertEqual(status, 200, body)
        self.assertEqual(len(self.server.scores()), len(variants))

    def test_malformed_scores_are_refused(self):
        def drop(section, key):
            return lambda d: (d[section] if section else d).pop(key)

        cases = {
            "missing top key": drop(None, "lamp"),
            "missing previous_best": drop(None, "previous_best"),
            "missing song key": drop("song", "subartist"),
            "missing settings key": drop("settings", "m_gas"),
            "missing state key": drop("state", "notes_total"),
            "missing judgement": drop("judgements_total", "slow"),
            "extra top key": lambda d: d.update(extra=1),
            "extra song key": lambda d: d["song"].update(bpm=1),
            "isPB int": lambda d: d.update(isPB=1),
            "max_combo bool": lambda d: d.update(max_combo=True),
            "max_combo negative": lambda d: d.update(max_combo=-1),
            "exscore float": lambda d: d.update(exscore=1.5),
            "exscore string": lambda d: d.update(exscore="1"),
            "HP five": lambda d: d.update(HP=[1, 2, 3, 4, 5]),
            "HP seven": lambda d: d.update(HP=[1] * 7),
            "HP string": lambda d: d.update(HP=[1, 2, 3, 4, 5, "6"]),
            "HP bool": lambda d: d.update(HP=[1, 2, 3, 4, 5, False]),
            "rate string": lambda d: d.update(rate="80"),
            "empty hash": lambda d: d["song"].update(hash=""),
            "level float": lambda d: d["song"].update(level=12.0),
            "title null": lambda d: d["song"].update(title=None),
            "random triple": lambda d: d["settings"].update(random=[0, 0, 0]),
            "assist float": lambda d: d["settings"].update(assist=[0, 0.5]),
            "lunaris 256": lambda d: d["settings"].update(m_lunaris=256),
            "m_gas int": lambda d: d["settings"].update(m_gas=0),
            "isCourse 256": lambda d: d["state"].update(isCourse=256),
            "isNosave negative": lambda d: d["state"].update(isNosave=-1),
            "judgement negative": lambda d: d["judgements_total"].update(epg=-1),
            "song array": lambda d: d.update(song=[]),
            "ghost_data number": lambda d: d.update(ghost_data=5),
            "previous_best only random_2": lambda d: d.update(previous_best=dict(previous_best(), random_2=0)),
            "previous_best only dpflip": lambda d: d.update(previous_best=dict(previous_best(), dpflip=0)),
            "previous_best missing key": lambda d: d.update(previous_best={
                k: v for k, v in previous_best().items() if k != "minbp"}),
            "previous_best lamp int": lambda d: d.update(previous_best=dict(previous_best(), lamp=3)),
            "previous_best string": lambda d: d.update(previous_best="none"),
        }
        for name, change in cases.items():
            with self.subTest(name):
                doc = valid_score()
                change(doc)
                status, _, body = self.post_score(doc)
                self.assertEqual(status, 400, name)
                self.assertIn("error", json.loads(body))
        self.assertEqual(self.server.scores(), [])

    def test_non_json_bodies_are_refused(self):
        good = json.dumps(valid_score())
        for name, body in {
            "html": b"<html>",
            "empty": b"",
            "array": b"[]",
            "truncated": good[:-1].encode(),
            "NaN": good.replace('"rate": 80.0', '"rate": NaN').encode(),
            "overflow": good.replace('"rate": 80.0', '"rate": 1e999').encode(),
            "duplicate key": good.replace('"isPB": true', '"isPB": true, "isPB": false').encode(),
            "latin-1": good.replace('"Song"', '"S\u00f6ng"').encode("latin-1"),
            "utf-16": good.encode("utf-16"),
        }.items():
            with self.subTest(name):
                self.assertNotEqual(body, good.encode())
                status, _, reply = self.call("POST", "/api/chart/score", body=body)
                self.assertEqual(status, 400)
                self.assertIn("error", json.loads(reply))
        self.assertEqual(self.server.scores(), [])

    def test_unauthenticated_score_not_stored(self):
        self.assertEqual(self.post_score(valid_score(), key="nobody")[0], 401)
        self.assertEqual(self.server.scores(), [])


class SamplePlayTest(ServerCase):
    """add_play / sample_score_document: documents the server itself accepts."""

    def test_fields_and_defaults(self):
        def get(doc, path):
            for part in path.split("."):
                doc = doc[int(part)] if isinstance(doc, list) else doc[part]
            return doc

        cases = [  # (fields, {path in the document: value})
            ({}, {"exscore": 250, "judgements_total.epg": 50, "judgements_total.lpg": 50,
                  "judgements_total.notes_total": 170, "state.notes_total": 170, "max_combo": 160,
                  "clearType": 3, "lamp": "NORMAL", "state.keymode": 7, "state.randomseed": 0,
                  "settings.random": [0, 0], "song.title": "Sample Song"}),
            ({"pgreat": 7, "great": 3}, {"judgements_total.epg": 4, "judgements_total.lpg": 3,
                                         "judgements_total.egr": 2, "judgements_total.lgr": 1,
                                         "exscore": 17}),
            ({"exscore": 1, "pgreat": 3}, {"exscore": 1, "judgements_total.epg": 2}),
            ({"good": 5, "bad": 3, "poor": 1}, {"judgements_total.egd": 3, "judgements_total.lgd": 2,
                                               "judgements_total.ebd": 2, "judgements_total.lbd": 1,
                                               "judgements_total.epr": 1, "judgements_total.lpr": 0}),
            ({"notes": 999, "max_combo": 5}, {"judgements_total.notes_total": 999, "max_combo": 5}),
            ({"clear_type": 5}, {"clearType": 5, "lamp": "FULL COMBO"}),
            ({"clear_type": 7}, {"clearType": 7, "lamp": "UNKNOWN"}),
            ({"gauge_option": 4, "random": (3, 2), "dpflip": 1},
             {"settings.gaugeOption": 4, "settings.random": [3, 2], "settings.dpflip": 1}),
            ({"keymode": 14, "random_seed": -1, "title": "T"},
             {"state.keymode": 14, "state.randomseed": -1, "song.title": "T"}),
            ({"ghost_data": "abc"}, {"ghost_data": "abc"}),
            ({"pgreat": 0, "great": 0, "good": 0, "bad": 0, "poor": 0}, {"rate": None, "exscore": 0}),
        ]
        for i, (fields, want) in enumerate(cases):
            with self.subTest(fields=fields):
                hash = f"sample-{i}"
                doc = self.server.add_play(PLAYER + i, hash, **fields)
                ir_server.check_score_document(doc)
                self.assertEqual(doc["song"]["hash"], hash)
                self.assertEqual({path: get(doc, path) for path in want}, want)
                self.assertEqual("ghost_data" in doc, "ghost_data" in fields)
                # The server's own endpoint takes it as well.
                status, _, body = self.post_score(doc, path="/api/course/score")
                self.assertEqual(status, 200, body)
        stored = self.server.scores()
        self.assertEqual([(s.player_id, s.endpoint, s.hash) for s in stored[:2]],
                         [(PLAYER, "/api/chart/score", "sample-0"), (PLAYER, "/api/course/score", "sample-0")])
        self.assertEqual(stored[0].document, stored[1].document)
        self.assertEqual(json.loads(stored[0].body), stored[0].document)

    def test_refused_fields_store_nothing(self):
        cases = [
            (TypeError, {"score": 1}),
            (ir_server.ShapeError, {"bad": -1}),
            (ir_server.ShapeError, {"random": (1, 2, 3)}),
            (ir_server.ShapeError, {"exscore": 1.5}),
        ]
        for error, fields in cases:
            with self.subTest(fields=fields):
                with self.assertRaises(error):
                    self.server.add_play(PLAYER, "h", **fields)
        with self.assertRaises(ir_server.ShapeError):
            self.server.add_play(PLAYER, "")
        self.server.add_play(PLAYER, "h", endpoint="/api/course/score")
        self.assertEqual([s.endpoint for s in self.server.scores()], ["/api/course/score"])
