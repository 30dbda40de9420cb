#!/usr/bin/env bash
# How fast korvel-replay plays rain, against reading the same file from the page cache.
#   bench/replay_speed.sh [BUILD_DIR] [SECONDS_OF_RAIN] [RUNS]
# Writes a recording of heavy rain (abgen --seed 3 --start 06:00:00 --drops-per-second 100,
# two hours by default) and a second one with another seed to a temporary directory, then
# times, RUNS times each (default 5), taking the median:
#   cat FILE > /dev/null                       (the page-cache read, after a warm-up read)
#   korvel-replay --start 06:00:00 FILE        (one file, records decoded ahead)
#   ... --threads 1                            (one file, the steps decoding alone)
#   ... --view none                            (decoding only)
#   ... --minutes OUT.csv                      (the day statistics)
#   korvel-replay --jobs 2 FILE1 FILE2         (two files side by side)
# and prints MB/s, lines/s and the ratio of each to cat, with the load average before and
# after.
set -euo pipefail
build=${1:-build}
seconds=${2:-7200}
runs=${3:-5}
abgen=$build/tools/abgen/abgen
replay=$build/tools/korvel-replay/korvel-replay
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$abgen" --seed 3 --start 06:00:00 --duration "$seconds" --drops-per-second 100 \
    -o "$work/one.ab" >/dev/null
"$abgen" --seed 4 --start 06:00:00 --duration "$seconds" --drops-per-second 100 \
    -o "$work/two.ab" >/dev/null
bytes_one=$(stat -c %s "$work/one.ab")
bytes_two=$(stat -c %s "$work/two.ab")

now() { date +%s.%N; }
median() {  # prints the median wall time of $runs runs of "$@"
    local t0 t1 times=()
    for _ in $(seq "$runs"); do
        t0=$(now)
        "$@" >/dev/null
        t1=$(now)
        times+=("$(echo "$t1 - $t0" | bc -l)")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
}
lines_of() {  # scan lines of both cameras, from the summary
    "$replay" --start 06:00:00 "$1" | awk '/^  lines/ { print $3 + $5 }'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$work/one.ab" "$work/two.ab" >/dev/null
t_cat=$(median cat "$work/one.ab")
t_one=$(median "$replay" --start 06:00:00 "$work/one.ab")
t_alone=$(median "$replay" --start 06:00:00 --threads 1 "$work/one.ab")
t_none=$(median "$replay" --start 06:00:00 --view none "$work/one.ab")
t_minutes=$(median "$replay" --minutes "$work/one.csv" "$work/one.ab")
t_two=$(median "$replay" --start 06:00:00 --jobs 2 "$work/one.ab" "$work/two.ab")
lines_one=$(lines_of "$work/one.ab")
lines_two=$((lines_one + $(lines_of "$work/two.ab")))
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

report() {  # name seconds bytes lines
    printf '%-30s %6.3f s %8.1f MB/s %12.0f lines/s  %6.1f x slower than cat\n' "$1" "$2" \
        "$(echo "$3 / $2 / 1000000" | bc -l)" "$(echo "$4 / $2" | bc -l)" \
        "$(echo "$2 / $t_cat * $bytes_one / $3" | bc -l)"
}
printf 'recording: %d s of rain, %d bytes; median of %d runs\n' "$seconds" "$bytes_one" "$runs"
printf '%-30s %6.3f s %8.1f MB/s\n' "cat FILE > /dev/null" "$t_cat" \
    "$(echo "$bytes_one / $t_cat / 1000000" | bc -l)"
report "korvel-replay FILE" "$t_one" "$bytes_one" "$lines_one"
report "korvel-replay --threads 1" "$t_alone" "$bytes_one" "$lines_one"
report "korvel-replay --view none" "$t_none" "$bytes_one" "$lines_one"
report "korvel-replay --minutes" "$t_minutes" "$bytes_one" "$lines_one"
report "korvel-replay --jobs 2 (2)" "$t_two" "$((bytes_one + bytes_two))" "$lines_two"
