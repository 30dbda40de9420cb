#!/usr/bin/env bash
# How fast korvel-replay plays rain, against reading the same file from the page cache.
#   bench/replay_speed.sh [BUILD_DIR] [SECONDS_OF_RAIN]
# Writes a recording of heavy rain (abgen --drops-per-second 100, a whole day by default) and a
# second one with another seed to a temporary directory, then times
#   cat FILE > /dev/null                       (the page-cache read, after a warm-up read)
#   korvel-replay FILE                         (one file)
#   korvel-replay --jobs 2 FILE1 FILE2         (two files side by side)
# and prints MB/s, lines/s and the ratio of each replay to cat. Best of three runs each.
set -euo pipefail
build=${1:-build}
seconds=${2:-86000}
abgen=$build/tools/abgen/abgen
replay=$build/tools/korvel-replay/korvel-replay
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$abgen" --duration "$seconds" --drops-per-second 100 --seed 1 -o "$work/one.ab" >/dev/null
"$abgen" --duration "$seconds" --drops-per-second 100 --seed 2 -o "$work/two.ab" >/dev/null
bytes_one=$(stat -c %s "$work/one.ab")
bytes_two=$(stat -c %s "$work/two.ab")

now() { date +%s.%N; }
best_of_three() {  # prints the shortest wall time of three runs of "$@"
    local best="" t0 t1 t
    for _ in 1 2 3; do
        t0=$(now)
        "$@" >/dev/null
        t1=$(now)
        t=$(echo "$t1 - $t0" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    echo "$best"
}
lines_of() {  # scan lines of both cameras, from the summary
    "$replay" "$1" | awk '/^  lines/ { print $3 + $5 }'
}

cat "$work/one.ab" "$work/two.ab" >/dev/null
t_cat=$(best_of_three cat "$work/one.ab")
t_one=$(best_of_three "$replay" "$work/one.ab")
t_two=$(best_of_three "$replay" --jobs 2 "$work/one.ab" "$work/two.ab")
lines_one=$(lines_of "$work/one.ab")
lines_two=$(( lines_one + $(lines_of "$work/two.ab") ))

report() {  # name seconds bytes lines
    printf '%-28s %8.1f MB/s %12.0f lines/s  %6.1f x slower than cat\n' "$1" \
        "$(echo "$3 / $2 / 1000000" | bc -l)" "$(echo "$4 / $2" | bc -l)" \
        "$(echo "$2 / $t_cat * $bytes_one / $3" | bc -l)"
}
printf 'recording: %d s of rain, %d bytes\n' "$seconds" "$bytes_one"
printf '%-28s %8.1f MB/s\n' "cat FILE > /dev/null" "$(echo "$bytes_one / $t_cat / 1000000" | bc -l)"
report "korvel-replay FILE" "$t_one" "$bytes_one" "$lines_one"
report "korvel-replay --jobs 2 (2)" "$t_two" "$((bytes_one + bytes_two))" "$lines_two"
