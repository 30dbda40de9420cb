#!/usr/bin/env bash
# Installs what is missing, builds in Release and runs the main job on a demo recording.
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
if [ -x build-release/src/shell/korvel ]; then
    exec build-release/src/shell/korvel "$demo"
fi
exec build-release/tools/korvel-replay/korvel-replay --start 12:00:00 "$demo"
