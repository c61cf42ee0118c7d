"""Boards and ghosts computed from stored plays.

Plays come in arrival order as store.Play(player_id, document), every document
having passed check_score_document.

Board order: one row per player, holding that player's best play (highest
"exscore"; on a tie the earlier play), rows by EX score descending, equal EX
scores by lower player id first. Ranks are competition ranks: 1, 2, 2, 4.
"""

from collections import namedtuple

# play: the best play's document; playcount: the player's plays of the hash.
Row = namedtuple("Row", "player_id play playcount")

CLEAR_TYPES = 6  # clear_distribution counts clearType 0..5
GHOST_MODES = ("target", "top", "next", "average")


def _digit(value):
    return min(max(value, 0), 9)


def option_packed(settings):
    """The play's options in decimal digits, as the plugin decodes them:

        units      settings.gaugeOption, clamped to 0..9
        tens       settings.random[0], clamped to 0..9
        hundreds   settings.random[1], clamped to 0..9
        thousands  1 when settings.dpflip is non-zero, else 0

    e.g. gaugeOption 4, random [3, 2], dpflip 1 -> 1234. The plugin reads the
    units digit d as main option d + 1 (for 0..5), keeps each of the pair when
    1..5, and the thousands digit as a flag."""
    first, second = settings["random"]
    return (_digit(settings["gaugeOption"]) + 10 * _digit(first) + 100 * _digit(second)
            + (1000 if settings["dpflip"] else 0))


def rows(plays):
    """The board rows of a hash's plays, in board order."""
    best = {}
    counts = {}
    for p in plays:
        counts[p.player_id] = counts.get(p.player_id, 0) + 1
        held = best.get(p.player_id)
        if held is None or p.document["exscore"] > held["exscore"]:
            best[p.player_id] = p.document
    order = sorted(best, key=lambda pid: (-best[pid]["exscore"], pid))
    return [Row(pid, best[pid], counts[pid]) for pid in order]


def ranks(board_rows):
    """Competition rank of each row."""
    out = []
    for i, row in enumerate(board_rows):
        if i and row.play["exscore"] == board_rows[i - 1].play["exscore"]:
            out.append(out[-1])
        else:
            out.append(i + 1)
    return out


def entry(row, rank, names):
    doc = row.play
    j = doc["judgements_total"]
    bad, poor = j["ebd"] + j["lbd"], j["epr"] + j["lpr"]
    return {
        "rank": rank,
        "player_id": row.player_id,
        "display_name": names.get(row.player_id, ""),
        "exscore": doc["exscore"],
        "notes": j["notes_total"],
        "clear_type": doc["clearType"],
        "pgreat": j["epg"] + j["lpg"],
        "great": j["egr"] + j["lgr"],
        "good": j["egd"] + j["lgd"],
        "bad": bad,
        "poor": poor,
        "maxcombo": doc["max_combo"],
        "minbp": bad + poor,
        "playcount": row.playcount,
        "option_packed": option_packed(doc["settings"]),
        "keymode": doc["state"]["keymode"],
    }


def board_document(plays, names, caller, offset=0, limit=None):
    """The board reply: rows [offset, offset + limit) of the whole board, with
    counts over the whole board. caller: the asking player's id."""
    board_rows = rows(plays)
    board_ranks = ranks(board_rows)
    distribution = [0] * CLEAR_TYPES
    my_rank = 0
    for row, rank in zip(board_rows, board_ranks):
        if 0 <= row.play["clearType"] < CLEAR_TYPES:
            distribution[row.play["clearType"]] += 1
        if row.player_id == caller:
            my_rank = rank
    end = len(board_rows) if limit is None else offset + limit
    return {
        "entries": [entry(row, rank, names)
                    for row, rank in list(zip(board_rows, board_ranks))[offset:end]],
        "player_count": len(board_rows),
        "total_playcount": len(plays),
        "clear_distribution": distribution,
        "my_rank": my_rank,
        "my_player_id": caller,
    }


class NoGhost(LookupError):
    pass


def pick_ghost(board_rows, mode, caller, target=None):
    """(row, average_exscore) for a ghost request; raises NoGhost when there is
    no such play and ValueError for a mode not in GHOST_MODES.

        target   the best play of player `target`
        top      the rank-1 row
        next     the row just above the caller's; the last row when the caller
                 has none; none when the caller is first
        average  the rank-1 row, with the mean EX score of all rows rounded down
    """
    if mode not in GHOST_MODES:
        raise ValueError(f"unknown mode {mode!r}")
    if not board_rows:
        raise NoGhost("nobody played this hash")
    if mode == "target":
        for row in board_rows:
            if row.player_id == target:
                return row, 0
        raise NoGhost(f"player {target} has no play of this hash")
    if mode == "next":
        mine = [i for i, row in enumerate(board_rows) if row.player_id == caller]
        if not mine:
            return board_rows[-1], 0
        if mine[0] == 0:
            raise NoGhost("nobody is above you")
        return board_rows[mine[0] - 1], 0
    if mode == "average":
        return board_rows[0], sum(r.play["exscore"] for r in board_rows) // len(board_rows)
    return board_rows[0], 0


def ghost_document(row, average, names):
    return {
        "display_name": names.get(row.player_id, ""),
        "ghost_data": row.play.get("ghost_data", ""),
        "option_packed": option_packed(row.play["settings"]),
        "random_seed": row.play["state"]["randomseed"],
        "average_exscore": average,
    }
