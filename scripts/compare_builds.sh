#!/bin/bash
# Runs two builds of vy-report over the demonstration folder and generated
# folders, in both views, on every node, with header clicks and in every
# format, and reports any difference in standard output, standard error or
# exit status.
#
#   scripts/compare_builds.sh [OLD_VY_REPORT [NEW_VY_REPORT]]
#
# Without OLD_VY_REPORT the commit in BASE (default 28beebc) is built in a
# folder of its own under build/. NEW_VY_REPORT defaults to build/src/cli/vy-report.
set -u
cd "$(dirname "$0")/.."
root=$PWD
base=${BASE:-28beebc}
old=${1:-}
new=${2:-$root/build/src/cli/vy-report}
loggen=${LOGGEN:-$root/build/tools/vy-loggen}
if [ -z "$old" ]; then
    src=$root/build/compare-base-src
    if [ ! -d "$src" ]; then
        mkdir -p "$src" && git archive "$base" | tar -x -C "$src" || exit 1
    fi
    cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVY_BUILD_GUI=OFF >/dev/null &&
        cmake --build "$src/build" -j2 --target vy-report >/dev/null || exit 1
    old=$src/build/src/cli/vy-report
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C
runs=0
diffs=0

# Runs both builds with the same arguments; compares all they give back.
both() {
    runs=$((runs + 1))
    "$old" "$@" >"$work/o.out" 2>"$work/o.err"
    echo "exit $?" >>"$work/o.err"
    "$new" "$@" >"$work/n.out" 2>"$work/n.err"
    echo "exit $?" >>"$work/n.err"
    if ! cmp -s "$work/o.out" "$work/n.out" || ! cmp -s "$work/o.err" "$work/n.err"; then
        diffs=$((diffs + 1))
        [ $diffs -le 20 ] && echo "DIFFERENT: vy-report $*"
    fi
}

# The node paths of a tree, as --node takes them, from the tree format.
node_paths() {
    "$new" "$@" --format tree 2>/dev/null | tr -d '\r' | awk '{
        match($0, /^ */); level = RLENGTH / 2
        text = substr($0, RLENGTH + 1); sub(/^[0-9]+ /, "", text)
        path[level] = text; p = path[0]
        for (i = 1; i <= level; ++i) p = p " \\ " path[i]
        print p }'
}

compare_folder() {
    local folder=$1 from=$2 to=$3 events=$4
    for dup in "" --check-duplicates; do
        for view in users date; do
            local args=(--from "$from" --to "$to" --events "$events" --view "$view" $dup "$folder")
            both "${args[@]}"
            both "${args[@]}" --format tree
            both "${args[@]}" --format records
            node_paths "${args[@]}" >"$work/nodes"
            while IFS= read -r node; do
                for format in text html csv json; do
                    both "${args[@]}" --node "$node" --format "$format"
                done
                local columns
                columns=$("$new" "${args[@]}" --node "$node" 2>/dev/null | head -1 | tr -cd ';' | wc -c)
                for ((c = 0; c < columns; ++c)); do
                    both "${args[@]}" --node "$node" --click "$(((c + 1) % columns))" --click "$c"
                    both "${args[@]}" --node "$node" --click "$c" --click "$c" --format csv
                done
            done <"$work/nodes"
            both "${args[@]}" --node "no such node"
        done
    done
}

folders=${FOLDERS:-demo mixed current}
[[ " $folders " == *" demo "* ]] && compare_folder "$root/data/DemoLog" 1998-10-01 1998-10-31 "20050;20048"
[[ " $folders " == *" mixed "* ]] && "$loggen" --seed 7 --files 3 --connections 3000 --other 300 --duplicates 40 --language MIX --users 60 \
    --domains 4 --servers 3 --ports 12 --speeds 5 "$work/mixed" >/dev/null &&
    compare_folder "$work/mixed" 1998-09-25 1998-11-03 "20050;20048"
[[ " $folders " == *" current "* ]] && "$loggen" --seed 11 --files 2 --connections 2000 --form current --from 2024-02-20 --to 2024-03-02 \
    "$work/current" >/dev/null &&
    compare_folder "$work/current" 2024-02-01 2024-03-31 "20050;20048;20272"
echo "$runs runs, $diffs different"
[ $diffs -eq 0 ]
