"""Sample plays for tests and the demo, stored without going through HTTP.

A seed file (ir_server.py --seed FILE) is JSON:

    {"players": [{"api_key": "k1", "player_id": 1, "display_name": "Alpha"}],
     "plays":   [{"player_id": 1, "hash": "0123...", "exscore": 900, ...}]}

Each play takes "player_id", "hash", optionally "endpoint" (default
"/api/chart/score") and any keyword of sample_score_document. Both lists may be
left out. Seeding an existing database adds the plays again.
"""

LAMPS = ("NO PLAY", "FAIL", "EASY", "NORMAL", "HARD", "FULL COMBO")


def _halves(n):
    """Early/late split of a judgement count: 7 -> (4, 3)."""
    return (n + 1) // 2, n // 2


def sample_score_document(hash, *, exscore=None, pgreat=100, great=50, good=10, bad=5,
                          poor=5, notes=None, clear_type=3, max_combo=None, keymode=7,
                          random_seed=0, gauge_option=0, random=(0, 0), dpflip=0,
                          ghost_data=None, title="Sample Song"):
    """A full score document of one play, as the plugin would send it.

    Defaults derived from the counts: exscore = 2 * pgreat + great,
    notes = pgreat + great + good + bad + poor, max_combo = pgreat + great + good;
    a value given explicitly is stored as given, whatever the counts say.
    Each count is split into early/late halves, the early one taking the odd one
    (pgreat 7 -> epg 4, lpg 3). "lamp" follows clear_type (0..5 as the plugin
    names them, "UNKNOWN" otherwise). ghost_data None leaves the key out."""
    if exscore is None:
        exscore = 2 * pgreat + great
    if notes is None:
        notes = pgreat + great + good + bad + poor
    if max_combo is None:
        max_combo = pgreat + great + good
    epg, lpg = _halves(pgreat)
    egr, lgr = _halves(great)
    egd, lgd = _halves(good)
    ebd, lbd = _halves(bad)
    epr, lpr = _halves(poor)
    fast, slow = _halves(great + good)
    doc = {
        "isPB": True,
        "song": {
            "hash": hash, "title": title, "subtitle": "", "genre": "Sample",
            "artist": "Sample Artist", "subartist": "",
            "maxBPM": 150, "minBPM": 150, "longnote": 0, "random": 0, "judge": 2,
            "level": 10, "courseStageCount": 0, "courseType": 0,
        },
        "settings": {
            "gaugeOption": gauge_option, "random": list(random), "autokey": 0,
            "assist": [0, 0], "dpflip": dpflip, "hsfix": 0, "randSC": [0, 0],
            "randFix": [0, 0],
            **{k: 0 for k in (
                "m_softlanding", "m_addmine", "m_addlong", "m_earthquake", "m_tornado",
                "m_superloop", "m_gambol", "m_char", "m_heartbeat", "m_loudness",
                "m_addnote", "m_nabeatsu", "m_accel", "m_sincurve", "m_wave", "m_spiral",
                "m_sidejump", "is_extra", "m_extra", "m_lunaris")},
            "m_gas": False, "gomiscore": 0, "disablecurspeedchange": 0,
        },
        "state": {
            "player": 1, "keymode": keymode, "randomseed": random_seed,
            "freqSpeedMultiplier": 1.0, "song_runtime": 120.0,
            "isNosave": 0, "isForceEasy": 0, "isCourse": 0,
            "courseStageNow": 0, "notes_total": notes,
        },
        "judgements_total": {
            "epg": epg, "lpg": lpg, "egr": egr, "lgr": lgr, "egd": egd, "lgd": lgd,
            "ebd": ebd, "lbd": lbd, "epr": epr, "lpr": lpr, "cb": bad + poor,
            "fast": fast, "slow": slow, "notes_played": notes, "notes_total": notes,
        },
        "max_combo": max_combo,
        "HP": [80.0, None, None, None, None, None],
        "gaugeType": 0, "moneyscore": 0, "exscore": exscore,
        "rate": round(50.0 * exscore / notes, 2) if notes > 0 else None,
        "clearType": clear_type,
        "lamp": LAMPS[clear_type] if 0 <= clear_type < len(LAMPS) else "UNKNOWN",
        "inputType": 1,
        "previous_best": None,
    }
    if ghost_data is not None:
        doc["ghost_data"] = ghost_data
    return doc


def apply_seed(server, data):
    """Adds a seed file's players and plays to an IrServer; raises ValueError
    naming the entry at fault."""
    if not isinstance(data, dict) or set(data) - {"players", "plays"}:
        raise ValueError('expected an object with "players" and "plays"')
    for i, p in enumerate(data.get("players", [])):
        try:
            if not isinstance(p, dict) or set(p) - {"api_key", "player_id", "display_name"}:
                raise ValueError("expected api_key, player_id, display_name")
            server.add_player(p["api_key"], p["player_id"], p.get("display_name", ""))
        except KeyError as e:
            raise ValueError(f"players[{i}]: {e.args[0]} missing") from None
        except (TypeError, ValueError) as e:
            raise ValueError(f"players[{i}]: {e!s}") from None
    for i, play in enumerate(data.get("plays", [])):
        try:
            if not isinstance(play, dict):
                raise ValueError("expected an object")
            fields = dict(play)
            server.add_play(fields.pop("player_id"), fields.pop("hash"), **fields)
        except KeyError as e:
            raise ValueError(f"plays[{i}]: {e.args[0]} missing") from None
        except (TypeError, ValueError) as e:
            raise ValueError(f"plays[{i}]: {e!s}") from None
