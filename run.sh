#!/usr/bin/env bash
# Installs what is missing, builds in Release and opens the viewer on a demo recording.
# Without a display it says so and replays the demo headless instead, writing pictures of
# both views to out/.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKORVEL_BUILD_TESTS=OFF -DKORVEL_BUILD_BENCH=OFF
cmake --build build-release
mkdir -p out
demo=out/demo.ab
if [ ! -f "$demo" ]; then
    build-release/tools/abgen/abgen --seed 1 --duration 120 --start 12:00:00 -o "$demo"
fi
korvel=build-release/src/shell/korvel
replay=build-release/tools/korvel-replay/korvel-replay
if [ -x "$korvel" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    echo "Starting korvel on $demo: enter 12:00:00 in the Start Time dialog, then press Alt+S."
    exec "$korvel" "$demo"
fi
if [ -x "$korvel" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): replaying $demo headless."
else
    echo "The viewer was not built (no Qt 6): replaying $demo headless."
fi
for view in async sync; do
    if "$replay" --help 2>&1 | grep -q -- --snapshot; then
        "$replay" --start 12:00:00 --view "$view" --snapshot "out/demo-$view.png" \
            --size 1920x1080 "$demo"
        echo "Wrote out/demo-$view.png: the $view view as the window shows it at the end."
    else
        "$replay" --start 12:00:00 --view "$view" "$demo"
    fi
done
