#!/usr/bin/env bash
# Measures korvel as a person meets it: start-up to the first painted view (no splash, no
# file), start-up with a file to the first playback step, and the "max" speed to the end of
# a heavy-rain recording at a 1920x1080 view in both views. Run it under xvfb-run for a real
# X server, or with QT_QPA_PLATFORM=offscreen. Usage: bench/korvel_startup.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$1
runs=${2:-7}
korvel=$build/src/shell/korvel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work KORVEL_MEASURE=1 KORVEL_AUTO_DIALOGS=accept

now_ms() { date +%s%3N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Runs korvel until the given measure line appears, then ends it; prints the line's value.
until_line() {
    local what=$1; shift
    local log=$work/log
    "$korvel" "$@" 2>"$log" &
    local pid=$!
    for _ in $(seq 1 600); do
        if grep -q "korvel-measure: $what" "$log"; then break; fi
        sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    grep "korvel-measure: $what" "$log" | awk '{print $3}'
}

"$build/tools/abgen/abgen" --seed 2 --duration 20 --start 12:00:00 -o "$work/small.ab" >/dev/null
paint=()
step=()
for _ in $(seq 1 "$runs"); do
    t0=$(now_ms)
    paint+=($(( $(until_line first-paint -Embedding) - t0 )))
    t0=$(now_ms)
    step+=($(( $(until_line first-step -Embedding --play "$work/small.ab") - t0 )))
done
echo "start-up to first painted view: median $(printf '%s\n' "${paint[@]}" | median) ms of ${paint[*]}"
echo "start-up with a file to first playback step: median $(printf '%s\n' "${step[@]}" | median) ms of ${step[*]}"

# Five minutes of heavy rain: the clock starts when the first tick has run its steps, so the
# recording must last many ticks at max speed for that tick not to count.
"$build/tools/abgen/abgen" --seed 3 --duration 300 --start 12:00:00 --drops-per-second 1000 \
    -o "$work/heavy.ab" > "$work/abgen.txt"
bytes=$(stat -c %s "$work/heavy.ab")
records=$(sed -n 's/.*Camera A: \([0-9]*\) records.*/\1/p' "$work/abgen.txt")
for view in async sync; do
    select=""
    [ "$view" = sync ] && select="sync"
    ms=$(KORVEL_MEASURE_VIEW=1920x1080 KORVEL_MEASURE_SPEED=max KORVEL_MEASURE_SELECT=$select \
        until_line end-of-file -Embedding --play "$work/heavy.ab")
    awk -v ms="$ms" -v b="$bytes" -v r="$records" -v v="$view" 'BEGIN {
        printf "max speed, %s view, 1920x1080: %d camera-A steps in %d ms = %.0f steps/s, %.2f MB/s\n",
               v, r, ms, r / (ms / 1000.0), b / 1e6 / (ms / 1000.0) }'
done
