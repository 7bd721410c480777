#!/usr/bin/env python3
"""The settings store's peer: Python's own property-list reader and writer.

  plist_interop.py dump PATH   prints the plist at PATH as JSON (keys sorted, ASCII)
  plist_interop.py write PATH  writes a known plist to PATH
"""

import json
import plistlib
import sys

WRITTEN = {
    "Application": "Interop",
    "1_0_0": {
        "DeviceModel": 2,
        "Negative": -17,
        "Ratio": 2.75,
        "Flag": True,
        "Off": False,
        "Name": "Gr\u00fc\u00dfe & <\u00dcn\u00efc\u00f6d\u00e9> \U0001F600",
        "Nested": {"Inner": {"Deep": "yes"}},
        "Recent": ["/a/b.prg", "\u00e4", ""],
    },
}


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("dump", "write"):
        sys.exit(__doc__)
    mode, path = sys.argv[1], sys.argv[2]
    if mode == "dump":
        with open(path, "rb") as f:
            data = plistlib.load(f)
        print(json.dumps(data, sort_keys=True, ensure_ascii=True))
    else:
        with open(path, "wb") as f:
            plistlib.dump(WRITTEN, f)


if __name__ == "__main__":
    main()
