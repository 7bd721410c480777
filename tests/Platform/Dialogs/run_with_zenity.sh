#!/usr/bin/env bash
# Runs a test program that drives the real zenity under a window manager on a virtual X server of its own
# (run_under_xvfb.sh). Exits 77 (CTest: skipped) when one of the programs it needs is not installed.
set -u
for tool in zenity xdotool xprop openbox; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool is not installed: the tests of the real zenity are skipped"
    exit 77
  fi
done
exec "$(dirname "$0")/../Window/run_under_xvfb.sh" "$@"
