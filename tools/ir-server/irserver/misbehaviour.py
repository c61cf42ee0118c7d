"""Misbehaviour on purpose: switches that each make the server do one thing real
servers get wrong, so that `quorvane-host check-server` can be seen to catch it.

    skip_signature_check  any x-signature passes, a wrong one or none
    skip_timestamp_check  any x-timestamp passes, however old
    accept_unknown_keys   a key nobody holds passes, as player 0
    refuse_repeats        a request identical to an earlier one is refused (401)
    camel_case            reply members named in camelCase only (loggedIn, myRank, ...)
    drop_member NAME      the member NAME left out of every reply object
    mistype_member NAME   the member NAME sent mistyped: a number or boolean as a string
                          ("7" for 7), a string in an array
    oversized_board       boards padded with rows past the plugin's 262,144-byte cap

Switches apply to computed replies (login, board, ghost), not to scripted boards and
ghosts (set_board, set_ghost), which are sent as they are.
"""

import dataclasses
import json
import threading

BOARD_CAP_BYTES = 262_144


def camel(name):
    first, *rest = name.split("_")
    return first + "".join(word[:1].upper() + word[1:] for word in rest)


@dataclasses.dataclass
class Misbehaviour:
    skip_signature_check: bool = False
    skip_timestamp_check: bool = False
    accept_unknown_keys: bool = False
    refuse_repeats: bool = False
    camel_case: bool = False
    drop_member: str = None
    mistype_member: str = None
    oversized_board: bool = False
    _seen: set = dataclasses.field(default_factory=set, repr=False, compare=False)
    _lock: threading.Lock = dataclasses.field(default_factory=threading.Lock, repr=False,
                                              compare=False)

    def repeated(self, key, timestamp, signature, payload):
        """True when refuse_repeats is on and this request came before."""
        if not self.refuse_repeats:
            return False
        request = (key, timestamp, signature, payload)
        with self._lock:
            if request in self._seen:
                return True
            self._seen.add(request)
        return False

    def reply(self, value):
        """A reply document reshaped as the switches say."""
        if isinstance(value, list):
            return [self.reply(v) for v in value]
        if not isinstance(value, dict):
            return value
        out = {}
        for key, v in value.items():
            if key == self.drop_member:
                continue
            v = self.reply(v)
            if key == self.mistype_member and not isinstance(v, (dict, list)):
                v = [v] if isinstance(v, str) else json.dumps(v)
            out[camel(key) if self.camel_case else key] = v
        return out

    def board(self, document):
        """A board reply: padded past the cap first when oversized_board is on."""
        if self.oversized_board:
            document = dict(document, entries=list(document["entries"]))
            rows = document["entries"]
            filler = {"rank": 0, "player_id": 0, "display_name": "Filler", "exscore": 0,
                      "notes": 0, "clear_type": 0, "pgreat": 0, "great": 0, "good": 0,
                      "bad": 0, "poor": 0, "maxcombo": 0, "minbp": 0, "playcount": 1,
                      "option_packed": 0, "keymode": 7}
            size = len(json.dumps(document))
            while size <= BOARD_CAP_BYTES:
                n = len(rows) + 1
                row = dict(filler, rank=n, player_id=900_000 + n, display_name=f"Filler {n}")
                rows.append(row)
                size += len(json.dumps(row)) + 2
        return self.reply(document)
