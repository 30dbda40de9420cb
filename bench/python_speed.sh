#!/usr/bin/env bash
# The Python module's speed against korvel-replay's on the same recordings.
#   bench/python_speed.sh [BUILD_DIR] [RUNS]
# Writes to a temporary directory a day of rain of about 300 MB, a station's day (abgen
# --seed 7 --duration 86399 --drops-per-second 40), replay_speed.sh's recording (--seed 3 --start 06:00:00 --duration
# 7200 --drops-per-second 100) and sixteen hours of rain in eight files, then takes the median
# of RUNS runs (default 3), tool and module taking turns so that both see the same load:
#   korvel-replay --minutes OUT.csv DAY.ab      against korvel.minutes(DAY.ab)
#   korvel-replay --pairs OUT.csv RAIN.ab       against korvel.pairs(RAIN.ab)
#   korvel.dask.minutes(8 files) on a LocalCluster of 1 worker, then of 2 workers (each
#   task on one thread, the default there)
# The module's times are the call's own (measured in Python, after the imports); the
# interpreter's start and the imports of numpy and pandas are printed apart.
set -euo pipefail
build=$(realpath "${1:-build}")
runs=${2:-3}
abgen=$build/tools/abgen/abgen
replay=$build/tools/korvel-replay/korvel-replay
export PYTHONPATH=$build/python
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$abgen" --seed 7 --date 2026-07-14 --duration 86399 --drops-per-second 40 -o "$work/day.ab" >/dev/null
"$abgen" --seed 3 --start 06:00:00 --duration 7200 --drops-per-second 100 -o "$work/rain.ab" >/dev/null
for i in 1 2 3 4 5 6 7 8; do
    "$abgen" --seed $((20 + i)) --start 08:00:00 --duration 7200 --drops-per-second 60 \
        -o "$work/hour$i.ab" >/dev/null
done
cat "$work"/*.ab >/dev/null

now() { date +%s.%N; }
tool() {  # wall time of one korvel-replay run
    local t0 t1
    t0=$(now)
    "$replay" "$@" >/dev/null
    t1=$(now)
    echo "$t1 - $t0" | bc -l
}
module() {  # the time of one call, in Python
    /usr/bin/python3 -c "
import sys, time, korvel, korvel.dask
t0 = time.perf_counter(); $1; print(time.perf_counter() - t0)"
}
median() { sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -a tm mm tp mp d1 d2
for _ in $(seq "$runs"); do
    tm+=("$(tool --minutes "$work/m.csv" "$work/day.ab")")
    mm+=("$(module "korvel.minutes('$work/day.ab')")")
    tp+=("$(tool --pairs "$work/p.csv" "$work/rain.ab")")
    mp+=("$(module "korvel.pairs('$work/rain.ab')")")
done
files="[f'$work/hour{i}.ab' for i in range(1, 9)]"
for _ in $(seq "$runs"); do
    d1+=("$(module "c = korvel.dask.local_client(1); t0 = time.perf_counter(); korvel.dask.minutes($files, c).compute()")")
    d2+=("$(module "c = korvel.dask.local_client(2); t0 = time.perf_counter(); korvel.dask.minutes($files, c).compute()")")
done
start=$( { for _ in $(seq "$runs"); do t0=$(now); /usr/bin/python3 -c 'import korvel'; t1=$(now); echo "$t1 - $t0" | bc -l; done; } | median)
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

m() { printf '%s\n' "$@" | median; }
report() {  # name tool_seconds module_seconds
    printf '%-34s tool %7.3f s   module %7.3f s   ratio %.2f\n' "$1" "$2" "$3" "$(echo "$3 / $2" | bc -l)"
}
printf 'median of %d runs; day %d bytes, rain %d bytes\n' "$runs" "$(stat -c %s "$work/day.ab")" \
    "$(stat -c %s "$work/rain.ab")"
report "minutes of a day" "$(m "${tm[@]}")" "$(m "${mm[@]}")"
report "pairs of replay_speed.sh's file" "$(m "${tp[@]}")" "$(m "${mp[@]}")"
printf '%-34s 1 worker %7.3f s   2 workers %7.3f s   speed-up %.2f\n' "dask, 8 files of two hours" \
    "$(m "${d1[@]}")" "$(m "${d2[@]}")" "$(echo "$(m "${d1[@]}") / $(m "${d2[@]}")" | bc -l)"
printf '%-34s %7.3f s\n' "python3 -c 'import korvel'" "$start"
