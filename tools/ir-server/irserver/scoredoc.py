"""Shape of a score document as the plugin sends it, and the strict JSON reading
the score endpoints use."""

import json
import math


def _is_int(v):
    return isinstance(v, int) and not isinstance(v, bool)


def _is_num(v):
    if isinstance(v, bool):
        return False
    if isinstance(v, int):
        return True
    return isinstance(v, float) and math.isfinite(v)


_CHECKS = {
    "bool": ("boolean", lambda v: isinstance(v, bool)),
    "int": ("integer", _is_int),
    "uint": ("unsigned integer", lambda v: _is_int(v) and v >= 0),
    "u8": ("integer 0..255", lambda v: _is_int(v) and 0 <= v <= 255),
    "num?": ("number or null", lambda v: v is None or _is_num(v)),
    "str": ("string", lambda v: isinstance(v, str)),
    "nestr": ("non-empty string", lambda v: isinstance(v, str) and v != ""),
    "pair": ("[integer, integer]",
             lambda v: isinstance(v, list) and len(v) == 2 and all(_is_int(x) for x in v)),
    "hp": ("array of 6 numbers or nulls",
           lambda v: isinstance(v, list) and len(v) == 6
           and all(x is None or _is_num(x) for x in v)),
}

SONG_SHAPE = {
    "hash": "nestr", "title": "str", "subtitle": "str", "genre": "str",
    "artist": "str", "subartist": "str",
    "maxBPM": "int", "minBPM": "int", "longnote": "int", "random": "int",
    "judge": "int", "level": "int", "courseStageCount": "int", "courseType": "int",
}

SETTINGS_SHAPE = {
    "gaugeOption": "int", "random": "pair", "autokey": "int", "assist": "pair",
    "dpflip": "int", "hsfix": "int", "randSC": "pair", "randFix": "pair",
    **{k: "int" for k in (
        "m_softlanding", "m_addmine", "m_addlong", "m_earthquake", "m_tornado",
        "m_superloop", "m_gambol", "m_char", "m_heartbeat", "m_loudness",
        "m_addnote", "m_nabeatsu", "m_accel", "m_sincurve", "m_wave", "m_spiral",
        "m_sidejump", "is_extra", "m_extra")},
    "m_lunaris": "u8", "m_gas": "bool", "gomiscore": "int",
    "disablecurspeedchange": "int",
}

STATE_SHAPE = {
    "player": "int", "keymode": "int", "randomseed": "int",
    "freqSpeedMultiplier": "num?", "song_runtime": "num?",
    "isNosave": "u8", "isForceEasy": "u8", "isCourse": "u8",
    "courseStageNow": "int", "notes_total": "int",
}

JUDGEMENTS_SHAPE = {k: "uint" for k in (
    "epg", "lpg", "egr", "lgr", "egd", "lgd", "ebd", "lbd", "epr", "lpr",
    "cb", "fast", "slow", "notes_played", "notes_total")}

PREVIOUS_BEST_SHAPE = {
    **{k: "int" for k in (
        "option_1", "option_2", "rseed", "exscore", "playcount", "clear",
        "pgreat", "great", "good", "bad", "poor", "maxcombo", "totalnotes",
        "rank", "rate", "clear_db", "clear_sd", "clear_ex", "clearcount",
        "failcount", "minbp")},
    "lamp": "str",
}
PREVIOUS_BEST_OPTIONAL_PAIR = ("random_2", "dpflip")

TOP_SHAPE = {
    "isPB": "bool", "song": SONG_SHAPE, "settings": SETTINGS_SHAPE,
    "state": STATE_SHAPE, "judgements_total": JUDGEMENTS_SHAPE,
    "max_combo": "uint", "HP": "hp", "gaugeType": "int", "moneyscore": "int",
    "exscore": "int", "rate": "num?", "clearType": "int", "lamp": "str",
    "inputType": "int", "previous_best": "previous_best",
}
TOP_OPTIONAL = {"ghost_data": "str"}


class ShapeError(ValueError):
    pass


def _check_object(obj, shape, where, optional=None):
    if not isinstance(obj, dict):
        raise ShapeError(f"{where or 'document'}: expected an object")
    optional = optional or {}
    for key in obj:
        if key not in shape and key not in optional:
            raise ShapeError(f"{where + '.' if where else ''}{key}: unexpected key")
    for key, kind in list(shape.items()) + list(optional.items()):
        name = f"{where + '.' if where else ''}{key}"
        if key not in obj:
            if key in optional:
                continue
            raise ShapeError(f"{name}: missing")
        _check_value(obj[key], kind, name)


def _check_value(value, kind, name):
    if isinstance(kind, dict):
        _check_object(value, kind, name)
    elif kind == "previous_best":
        if value is None:
            return
        present = [k for k in PREVIOUS_BEST_OPTIONAL_PAIR if isinstance(value, dict) and k in value]
        if len(present) == 1:
            raise ShapeError(f"{name}: random_2 and dpflip must come together")
        _check_object(value, PREVIOUS_BEST_SHAPE, name,
                      optional={k: "int" for k in PREVIOUS_BEST_OPTIONAL_PAIR})
    else:
        label, ok = _CHECKS[kind]
        if not ok(value):
            raise ShapeError(f"{name}: expected {label}")


def check_score_document(doc):
    """Raises ShapeError naming the first offending field."""
    _check_object(doc, TOP_SHAPE, "", optional=TOP_OPTIONAL)


def _reject_constant(name):
    raise ValueError(f"{name} is not JSON")


def _pairs_no_duplicates(pairs):
    out = {}
    for k, v in pairs:
        if k in out:
            raise ValueError(f"duplicate key {k!r}")
        out[k] = v
    return out


def parse_json_strict(raw):
    """UTF-8 JSON without NaN/Infinity or duplicate keys."""
    text = raw.decode("utf-8")
    return json.loads(text, parse_constant=_reject_constant,
                      object_pairs_hook=_pairs_no_duplicates)
