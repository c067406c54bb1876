#!/usr/bin/env bash
# Median start-up to first paint, Tickwell against an empty Qt window, on a
# virtual X server. Usage: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build/default}
runs=${2:-15}
bench=$(realpath "$build/bench/startup_bench")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
xvfb-run -a bash -c "for mode in empty tickwell; do for i in \$(seq $runs); do '$bench' \$mode; done; done" \
  > "$work/times"
for mode in empty tickwell; do
  grep "^$mode " "$work/times" | sort -k2,2n |
    awk -v m="$mode" '{ t[NR] = $2 } END { printf "%-9s median %.1f ms, fastest %.1f ms over %d runs\n", m, t[int((NR + 1) / 2)], t[1], NR }'
done
