#!/usr/bin/python3
"""Local Quorvane IR server for tests and the demo; the code lives in the
irserver package beside this file.

    python3 tools/ir-server/ir_server.py --port P --cert C --key K --db FILE \
        [--add-player KEY:ID[:NAME]] [--seed FILE] [--log FILE] [--pidfile FILE]

Also importable as ir_server (IrServer, sign, ...), including when loaded by
file path, as tests/e2e/irtest/server.py does.
"""

import os
import sys

_HERE = os.path.dirname(os.path.abspath(__file__))
if _HERE not in sys.path:
    sys.path.append(_HERE)

from irserver import *  # noqa: E402,F401,F403
from irserver import __all__, main  # noqa: E402,F401

if __name__ == "__main__":
    sys.exit(main())
