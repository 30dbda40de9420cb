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
# The window is waited for, not a fixed time: the screen is grabbed until it shows a painted
# window (30 colours and more), for at most 60 s, a slow machine included.
shot=${KORVEL_SMOKE_PNG:-$work/screen.png}
deadline=$((SECONDS + 60))
until "$build/tests/shell/korvel_screen_grab" "$shot" 30 >/dev/null; do
    kill -0 "$pid"  # still running: playing, not ended
    if [ "$SECONDS" -ge "$deadline" ]; then
        echo "no painted window within 60 s" >&2
        "$build/tests/shell/korvel_screen_grab" "$shot" 30
        exit 1
    fi
    sleep 0.2
done
kill -0 "$pid"  # still running: playing, not ended
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "korvel played in a real window"
