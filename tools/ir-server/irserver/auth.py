"""Request signatures.

    signature = hex(HMAC-SHA256(key=api_key bytes, msg=timestamp + "." + payload))

where payload is the raw body for POST and the raw query string (the part of the
request target after "?", not decoded) for GET.
"""

import hashlib
import hmac
import re

from .misbehaviour import Misbehaviour

MAX_SKEW_SECONDS = 300

_TIMESTAMP_RE = re.compile(r"-?[0-9]{1,19}")


def sign(api_key, timestamp, payload):
    """Signature a client must send: lower-case hex HMAC-SHA256."""
    if isinstance(api_key, str):
        api_key = api_key.encode("utf-8")
    if isinstance(payload, str):
        payload = payload.encode("utf-8")
    msg = str(timestamp).encode("ascii") + b"." + payload
    return hmac.new(api_key, msg, hashlib.sha256).hexdigest()


def authenticate(headers, payload, player_for_key, now, misbehaviour=None):
    """Checks the x-api-key / x-timestamp / x-signature headers of a request.

    headers: an email.message.Message (get_all); payload: the signed bytes;
    player_for_key(api_key) -> player id or None; now: server time in seconds;
    misbehaviour: the checks to leave out (misbehaviour.py).
    Returns (ok, reason, player_id); player_id is set once the key is known,
    even when a later check fails."""
    lax = misbehaviour or Misbehaviour()
    values = {}
    for name in ("x-api-key", "x-timestamp", "x-signature"):
        got = headers.get_all(name) or []
        if len(got) > 1:
            return False, f"{name} sent more than once", None
        values[name] = got[0] if got else None
    key, ts, sig = values["x-api-key"], values["x-timestamp"], values["x-signature"]
    if not key:
        return False, "missing x-api-key", None
    player_id = player_for_key(key)
    if player_id is None and lax.accept_unknown_keys:
        player_id = 0
    if player_id is None:
        return False, "unknown api key", None
    if ts is None or ts == "":
        return False, "missing x-timestamp", player_id
    if not _TIMESTAMP_RE.fullmatch(ts):
        return False, "x-timestamp is not an integer", player_id
    if abs(int(ts) - now) > MAX_SKEW_SECONDS and not lax.skip_timestamp_check:
        return False, "x-timestamp too far from server time", player_id
    if not sig and not lax.skip_signature_check:
        return False, "missing x-signature", player_id
    want = hmac.new(key.encode("latin-1"), ts.encode("ascii") + b"." + payload,
                    hashlib.sha256).hexdigest()
    if (not hmac.compare_digest(want.encode("ascii"), (sig or "").encode("latin-1"))
            and not lax.skip_signature_check):
        return False, "bad signature", player_id
    if lax.repeated(key, ts, sig, payload):
        return False, "repeated request", player_id
    return True, None, player_id
