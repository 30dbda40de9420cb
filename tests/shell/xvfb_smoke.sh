#!/usr/bin/env bash
# Run under xvfb-run: korvel plays a demo recording in a real X window, and a grab of the
# screen must show a painted window, not a blank screen. Usage: xvfb_smoke.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/tools/abgen/abgen" --seed 5 --duration 60 -o "$work/demo.ab" >/dev/null
export XDG_CONFIG_HOME=$work KORVEL_AUTO_DIALOGS=accept QT_QPA_PLATFORM=xcb
"$build/src/shell/korvel" --play -Embedding "$work/demo.ab" &
pid=$!
sleep 3
kill -0 "$pid"  # still running: playing, not ended
"$build/tests/shell/korvel_screen_grab" "${KORVEL_SMOKE_PNG:-$work/screen.png}" 30
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "korvel played in a real window"
