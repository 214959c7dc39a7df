#!/bin/bash
# Plants the faults of faults.txt one at a time and sees which tests catch each.
#   run.sh [WORKTREE] [ID ...]      (default worktree: this clone, default all faults)
# Environment:
#   NET=always|auto|never  run the net test program always (default), only when the unit tests catch
#                          nothing by name or the fault is in the link or its messages (auto), or never
#   BASELINE=1|0           run the unfaulted tree first and leave its failures out of every fault's
#                          catches (default 1)
#   UNIT_TIMEOUT, NET_TIMEOUT   seconds a test program may run (default 240, 480; unfaulted they take about 20 and 80 s, and a fault that makes a test wait for good is cut off here, noted as (hung), and the program run again without that test)
# For each fault: the old text must be found exactly once (else NOT APPLIED); the file must have no
# changes of its own (else it is left alone); the fault is written, the tree built (a fault that does
# not build is reported as such), the unit and net programs run with their XML output, the file put back
# with `git checkout -- FILE`. Logs go to $FAULTS_OUT/logs/ID/ (default /tmp/gorvath-faults), the table to results.md there (results.json keeps the data).
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
WT=${1:-$HERE/../..}
[ $# -gt 0 ] && shift
WT=$(cd "$WT" && pwd) || { echo "no worktree $WT"; exit 2; }
NET=${NET:-always}
BASELINE=${BASELINE:-1}
UNIT_TIMEOUT=${UNIT_TIMEOUT:-240}
NET_TIMEOUT=${NET_TIMEOUT:-480}
PY="python3 $HERE/faults.py"
export FAULTS_OUT=${FAULTS_OUT:-/tmp/gorvath-faults}
LOGS=$FAULTS_OUT/logs
mkdir -p "$LOGS"
export GORVATH_TEST_NETWORK_GUARD=1 SDL_AUDIODRIVER=dummy

if [ $# -gt 0 ]; then IDS="$*"; else IDS=$($PY ids); fi

APPLIED_FILE=""
revert() {
    if [ -n "$APPLIED_FILE" ]; then
        (cd "$WT" && git checkout -- "$APPLIED_FILE")
        APPLIED_FILE=""
    fi
}
trap 'revert; exit 130' INT TERM
trap 'revert' EXIT

build() {  # $1: log file
    if [ ! -d "$WT/build" ]; then
        (cd "$WT" && cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVATH_TESTS=ON -DGORVATH_BENCH=ON) >"$1" 2>&1 || return 1
    fi
    (cd "$WT" && nice cmake --build build -j2 --target gorvath_tests gorvath_net_tests gorvath) >>"$1" 2>&1
}

# Runs one test program to its end. A test that crashes or hangs ends the program without its XML: it is
# noted as failed and the program runs again without it (at most 5 times).
# $1 program (in build/tests, where ctest runs it), $2 output prefix, $3 timeout. Writes $2.failures (name<TAB>file).
run_prog() {
    local prog=$1 out=$2 limit=$3 filter="" n=0 rc
    : >"$out.failures"
    while :; do
        n=$((n + 1))
        rm -f "$out.$n.xml"
        (cd "$WT/build/tests" && timeout -k 10 "$limit" "./$prog" ${filter:+--gtest_filter=-$filter} \
            --gtest_output=xml:"$out.$n.xml") >"$out.$n.log" 2>&1
        rc=$?
        $PY failures "$out.$n.xml" >>"$out.failures"
        if [ -s "$out.$n.xml" ] || [ $rc -eq 0 ]; then break; fi
        # No XML: the last test started and not finished is the one that crashed or hung.
        local last
        last=$(awk '/^\[ RUN      \]/ {t=$4} /^\[       OK \]|^\[  FAILED  \]/ {t=""} END {print t}' "$out.$n.log")
        if [ -z "$last" ] || [ $n -ge 5 ]; then
            echo "(${prog##*/} ended with code $rc)	" >>"$out.failures"
            break
        fi
        local how=crashed
        [ $rc -eq 124 ] || [ $rc -eq 137 ] && how=hung
        echo "$last	($how)" >>"$out.failures"
        filter=${filter:+$filter:}$last
    done
}

# Both programs (the net one perhaps not); $1 output directory, $2 area. Leaves $1/all.failures.
run_tests() {
    local dir=$1 area=$2
    mkdir -p "$dir"
    run_prog gorvath_tests "$dir/unit" "$UNIT_TIMEOUT" &
    local unitpid=$!
    local net=$NET
    if [ "$net" = auto ]; then
        case "$area" in link*|*messages*) net=always ;; esac
    fi
    if [ "$net" = always ]; then run_prog gorvath_net_tests "$dir/net" "$NET_TIMEOUT"; else : >"$dir/net.failures"; fi
    wait $unitpid
    # The golden battles as ctest verifies them with the game itself (not a test program's test).
    (cd "$WT/build" && timeout -k 10 "$UNIT_TIMEOUT" ctest -R Golden --output-on-failure) >"$dir/golden.log" 2>&1 ||
        sed -n 's/^.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*$/\1\t(ctest)/p' "$dir/golden.log" >>"$dir/unit.failures"
    if [ "$net" = auto ]; then
        # Only when the unit tests caught nothing by name.
        if ! grep -v -i golden "$dir/unit.failures" | grep -v 'goldens_test' | grep -q . ; then
            run_prog gorvath_net_tests "$dir/net" "$NET_TIMEOUT"
            net=always
        fi
    fi
    cat "$dir/unit.failures" "$dir/net.failures" >"$dir/all.failures"
    echo "$net" >"$dir/net.ran"
}

BASEFAIL=$LOGS/baseline/all.failures
if [ "$BASELINE" = 1 ]; then
    echo "== unfaulted tree"
    if ! build "$LOGS/baseline.build.log"; then echo "the unfaulted tree does not build: see $LOGS/baseline.build.log"; exit 1; fi
    rm -rf "$LOGS/baseline"
    NET_SAVED=$NET; NET=always
    run_tests "$LOGS/baseline" baseline
    NET=$NET_SAVED
    if [ -s "$BASEFAIL" ]; then
        echo "the unfaulted tree fails these (left out of every fault's catches):"; cat "$BASEFAIL"
    else
        echo "the unfaulted tree passes"
    fi
fi

for id in $IDS; do
    file=$($PY file "$id") || continue
    area=$(grep -A3 "^=== $id\$" "$HERE/faults.txt" | sed -n 's/^area: //p')
    dir=$LOGS/$id
    rm -rf "$dir"; mkdir -p "$dir"
    echo "== $id ($file)"
    if ! (cd "$WT" && git diff --quiet -- "$file"); then
        echo "   $file has changes of its own: left alone"
        $PY record "$id" applyfail /dev/null "the file had uncommitted changes"
        continue
    fi
    if ! $PY apply "$WT" "$id" >"$dir/apply.log" 2>&1; then
        echo "   not applied: $(cat "$dir/apply.log")"
        $PY record "$id" applyfail /dev/null
        continue
    fi
    APPLIED_FILE=$file
    (cd "$WT" && git diff -- "$file") >"$dir/fault.diff"
    start=$(date +%s)
    if ! build "$dir/build.log"; then
        echo "   does not build: see $dir/build.log"
        revert
        $PY record "$id" buildfail /dev/null
        continue
    fi
    run_tests "$dir" "$area"
    revert
    # Failures the unfaulted tree has too are not this fault's.
    if [ -f "$BASEFAIL" ]; then
        grep -v -x -F -f "$BASEFAIL" "$dir/all.failures" >"$dir/caught.failures" || true
    else
        cp "$dir/all.failures" "$dir/caught.failures"
    fi
    extra=""
    [ "$(cat "$dir/net.ran")" = always ] || extra="net tests not run: unit tests caught it"
    $PY record "$id" caught "$dir/caught.failures" "$extra"
    echo "   $(wc -l <"$dir/caught.failures") failed, $(( $(date +%s) - start )) s"
done
# The tree is left built as it is in git.
if [ -n "$IDS" ] && [ "${REBUILD_CLEAN:-1}" = 1 ]; then build "$LOGS/final.build.log" || echo "final build failed"; fi
echo "results: $FAULTS_OUT/results.md"
