"""ir_server.py's command line."""

import argparse
import dataclasses
import json
import logging
import os
import re
import signal
import sys
import threading

from .misbehaviour import Misbehaviour
from .server import IrServer


def _player_arg(text):
    parts = text.split(":", 2)
    if len(parts) < 2 or not parts[0] or not re.fullmatch(r"-?[0-9]+", parts[1]):
        raise argparse.ArgumentTypeError(f"expected KEY:ID[:NAME], got {text!r}")
    return parts[0], int(parts[1]), parts[2] if len(parts) == 3 else ""


def main(argv=None):
    ap = argparse.ArgumentParser(description="Local Quorvane IR test server")
    ap.add_argument("--port", type=int, required=True, help="0 picks a free port")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--cert", required=True)
    ap.add_argument("--key", required=True)
    ap.add_argument("--db", required=True)
    ap.add_argument("--add-player", type=_player_arg, action="append", default=[],
                    metavar="KEY:ID[:NAME]")
    ap.add_argument("--seed", metavar="FILE",
                    help='JSON {"players": [{"api_key", "player_id", "display_name"}], '
                         '"plays": [{"player_id", "hash", ...}]} stored at start-up')
    ap.add_argument("--log", metavar="FILE")
    ap.add_argument("--pidfile", metavar="FILE")
    wrong = ap.add_argument_group("misbehaviour", "one thing real servers get wrong, each "
                                  "(see misbehaviour.py); for trying quorvane-host check-server")
    for flag in ("--skip-signature-check", "--skip-timestamp-check", "--accept-unknown-keys",
                 "--refuse-repeats", "--camel-case", "--oversized-board"):
        wrong.add_argument(flag, action="store_true")
    wrong.add_argument("--drop-member", metavar="NAME")
    wrong.add_argument("--mistype-member", metavar="NAME")
    args = ap.parse_args(argv)
    misbehaviour = Misbehaviour(**{field.name: getattr(args, field.name)
                                   for field in dataclasses.fields(Misbehaviour)
                                   if not field.name.startswith("_")})

    log_to = {"filename": args.log} if args.log else {"stream": sys.stderr}
    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(threadName)s %(message)s", **log_to)

    server = IrServer(args.port, args.cert, args.key, args.db, host=args.host,
                      misbehaviour=misbehaviour)
    for key, pid, name in args.add_player:
        server.add_player(key, pid, name)
    if args.seed:
        try:
            with open(args.seed, encoding="utf-8") as f:
                server.load_seed(json.load(f))
        except (OSError, ValueError) as e:
            ap.error(f"--seed {args.seed}: {e}")

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())

    server.start()
    if args.pidfile:
        with open(args.pidfile, "w") as f:
            f.write(f"{os.getpid()}\n")
    print(f"listening on https://{args.host}:{server.port}", flush=True)
    try:
        while not stop.wait(0.5):
            pass
    finally:
        server.stop()
        if args.pidfile:
            try:
                os.unlink(args.pidfile)
            except OSError:
                pass
    return 0
