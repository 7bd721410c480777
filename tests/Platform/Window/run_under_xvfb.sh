#!/usr/bin/env bash
# Runs a test program on a virtual X server of its own, bounded in time. Exits 77 (CTest: skipped) when
# the machine has no xvfb-run or xauth.
set -u
for tool in xvfb-run xauth; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool is not installed: the X11 window tests are skipped"
    exit 77
  fi
done
# The display number starts from our process id: "xvfb-run -a" alone picks the same free number for X tests
# started at the same moment, and one of them then finds no server. -noreset: a server that resets when its
# last client leaves refuses the next test's connection for a moment. The time bound only ends a hang: a whole
# program's X tests take minutes on a loaded machine (CTest's TIMEOUT for these entries is above it).
exec timeout --kill-after=10 900 xvfb-run -a -n $((200 + $$ % 700)) -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" "$@"
