#!/usr/bin/env bash
# The long forms of the kill -9 and hostile-peer suites against the real program, in a
# network namespace of their own. Prints the figures each suite reports.
#   scripts/soak.sh [build-dir]      KILLS=100 ROUNDS=... SEED=... to choose
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
export QT_QPA_PLATFORM=offscreen
export TESSIVAR_KILLS="${KILLS:-100}"
export TESSIVAR_HOSTILE_ROUNDS="${ROUNDS:-40}"
[ -n "${SEED:-}" ] && export TESSIVAR_SEED="$SEED"
status=0
for suite in tst_killnine tst_hostilepeers; do
    [ -x "$build/tests/$suite" ] || continue
    log="$(mktemp)"
    if ! "$here/in-private-network.sh" "$build/tests/$suite" -maxwarnings 0 >"$log" 2>&1; then
        status=1
        grep -E "FAIL|Loc:" "$log" || tail -20 "$log"
    fi
    grep -E "Random seed|FIGURES" "$log" | sed 's/^QINFO *: [^ ]* //'
    rm -f "$log"
done
exit $status
