"""What a handler hands back to the HTTP layer."""

import json


class Reply:
    def __init__(self, status, body=b"", headers=None):
        self.status = status
        self.body = body
        self.headers = headers or []


def json_reply(status, obj):
    return Reply(status, json.dumps(obj).encode("utf-8"))


def error_reply(status, message):
    return json_reply(status, {"error": message})


def body_bytes(body):
    """bytes as they are, str as UTF-8, anything else as JSON."""
    if body is None:
        return b""
    if isinstance(body, (bytes, bytearray)):
        return bytes(body)
    if isinstance(body, str):
        return body.encode("utf-8")
    return json.dumps(body).encode("utf-8")
