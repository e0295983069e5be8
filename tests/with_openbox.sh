#!/usr/bin/env bash
# Runs a command on the current X display with the openbox window manager, which
# draws a frame around windows (Xvfb alone draws none).
set -euo pipefail
openbox --sm-disable &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
"$@"
