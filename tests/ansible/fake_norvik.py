#!/usr/bin/env python3
# Stands in for norvik-set or norvik-scan: records its arguments and standard input in
# $FAKE_NORVIK_LOG (one JSON line a run) and answers with $FAKE_NORVIK_OUTPUT and
# $FAKE_NORVIK_EXIT, so that a module's command line and reading of the answer are seen alone.
import json
import os
import sys

with open(os.environ["FAKE_NORVIK_LOG"], "a", encoding="utf-8") as log:
    stdin = "" if sys.stdin.isatty() else sys.stdin.read()
    log.write(json.dumps({"args": sys.argv[1:], "stdin": stdin}) + "\n")
sys.stdout.write(os.environ["FAKE_NORVIK_OUTPUT"] + "\n")
sys.exit(int(os.environ.get("FAKE_NORVIK_EXIT", "0")))
