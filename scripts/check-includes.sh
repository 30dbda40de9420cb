#!/usr/bin/env bash
# Checks that every #include in src/ points down the layers, and that no core folder includes
# Qt. The layers, bottom up; a file may include its own folder and any folder below it.
# display/qt and shell are the Qt shell on top of the core.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(common io codec format particles calibration matching playback commands statistics display display/qt shell)
qt_layers=" display/qt shell "

rank_of() {
    local i
    for i in "${!layers[@]}"; do
        if [ "${layers[$i]}" = "$1" ]; then
            echo "$i"
            return
        fi
    done
    echo -1
}

# The folder of a path below src/: display/qt counts as a layer of its own.
layer_of() {
    case "$1" in
        display/qt/*) echo display/qt ;;
        */*) echo "${1%%/*}" ;;
        *) echo "" ;;
    esac
}

status=0
while IFS= read -r file; do
    rel=${file#src/}
    own=$(layer_of "$rel")
    own_rank=$(rank_of "$own")
    if [ "$own_rank" -lt 0 ]; then
        echo "check-includes: $file lies in no known layer (src/$own)" >&2
        status=1
        continue
    fi
    while IFS= read -r line; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
        case "$target" in
            Q*|Qt*/*|q*.h)
                if [[ "$qt_layers" != *" $own "* ]]; then
                    echo "check-includes: $file includes Qt ($target), but $own is core" >&2
                    status=1
                fi
                continue ;;
        esac
        [[ "$line" == *'"'* ]] || continue  # other system headers
        to=$(layer_of "$target")
        to_rank=$(rank_of "$to")
        if [ "$to_rank" -lt 0 ]; then
            echo "check-includes: $file includes $target, which lies in no known layer" >&2
            status=1
        elif [ "$to_rank" -gt "$own_rank" ]; then
            echo "check-includes: $file ($own) includes $target ($to), a layer above it" >&2
            status=1
        fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$status" -eq 0 ]; then
    echo "check-includes: every include points down the layers"
fi
exit "$status"
