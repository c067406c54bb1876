#!/usr/bin/env bash
# Start-up as a user sees it, from exec to the window mapped and first drawn
# (X map and damage events, no polling), and peak RSS a second later; each
# program against a fair floor with the same widgets, fonts and menu,
# interleaved on one Xvfb after one warm-up, a fresh HOME for every run.
#   bench/startup.sh linux [RUNS]     Tickwell (Qt) against bench/qt_floor, and
#                                     any of kcalc, galculator, qalculate-gtk,
#                                     gnome-calculator that is installed
#   bench/startup.sh windows [RUNS]   Tickwell.exe against StartupFloor.exe, under Wine
#   ... [RUNS] NAME=PROGRAM...        also variants of the program, to account for a gap
# A benchmark, not a test: it prints figures and never fails on slowness.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-linux}
runs=${2:-7}
work=$(mktemp -d /tmp/tickwell-startup-XXXXXX)
cleanup() {
  [[ -n "${WINEPREFIX:-}" ]] && wineserver -k >/dev/null 2>&1 || true
  [[ -n "${xvfb:-}" ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

probe=$root/build/default/bench/xfirstpaint
[[ -x $probe ]] || { echo "build first: cmake --build --preset default" >&2; exit 1; }

# name|window title|command
programs=()
if [[ $mode == windows ]]; then
  exe=$root/build/windows/win32/Tickwell.exe floor=$root/build/windows/bench/StartupFloor.exe
  [[ -f $exe && -f $floor ]] || { echo "build first: cmake --build --preset windows" >&2; exit 1; }
  programs=("floor|Tickwell|wine $floor" "tickwell|Tickwell|wine $exe")
else
  programs=("floor|Tickwell|$root/build/default/bench/qt_floor"
            "tickwell|Tickwell|$root/build/default/ui/tickwell")
  command -v kcalc >/dev/null && programs+=("kcalc|KCalc|kcalc")
  command -v galculator >/dev/null && programs+=("galculator|galculator|galculator")
  command -v qalculate-gtk >/dev/null && programs+=("qalculate|Qalculate!|qalculate-gtk")
  command -v gnome-calculator >/dev/null && programs+=("gnome-calculator|Calculator|gnome-calculator")
fi

for variant in "${@:3}"; do
  [[ $mode == windows ]] && programs+=("${variant%%=*}|Tickwell|wine ${variant#*=}") ||
    programs+=("${variant%%=*}|Tickwell|${variant#*=}")
done

Xvfb :87 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:87
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

if [[ $mode == windows ]]; then
  export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  wineserver -p
  wine wineboot -i >/dev/null 2>&1
fi

measure() {  # name title command... -> "name paint_ms rss_kib"
  local name=$1 title=$2
  shift 2
  local home=$work/home-$RANDOM$RANDOM
  mkdir -p "$home"
  HOME=$home XDG_CONFIG_HOME=$home/.config "$probe" "$title" "$@" 2>/dev/null |
    awk -v n="$name" '{ print n, $2, $3 }'
}

for round in $(seq 0 "$runs"); do  # round 0 is the warm-up
  for p in "${programs[@]}"; do
    IFS='|' read -r name title cmd <<<"$p"
    # shellcheck disable=SC2086
    line=$(measure "$name" "$title" $cmd) || continue
    [[ $round -gt 0 && -n $line ]] && echo "$line" >>"$work/times"
  done
done

median() {  # median of one column of the named program's rows
  awk -v n="$1" '$1 == n' "$work/times" | sort -k"$2,$2"n |
    awk -v c="$2" '{ v[NR] = $c } END { if (NR) print v[int((NR + 1) / 2)] }'
}

echo "$(date -u +%F), $(nproc) cores, $mode, $runs runs each after one warm-up"
printf '%-17s %10s %10s %10s %12s %8s %8s\n' program "paint min" median max "peak RSS" "t/floor" "RSS/floor"
floor_t=$(median floor 2) floor_m=$(median floor 3)
for p in "${programs[@]}"; do
  name=${p%%|*}
  mt=$(median "$name" 2) mm=$(median "$name" 3)
  [[ -n $mt ]] || continue
  awk -v n="$name" '$1 == n' "$work/times" | sort -k2,2n |
    awk -v n="$name" -v mt="$mt" -v mm="$mm" -v ft="$floor_t" -v fm="$floor_m" '
      { t[NR] = $2 }
      END {
        printf "%-17s %7.1f ms %7.1f ms %7.1f ms %8.1f MiB %8.2f %8.2f\n", n, t[1], mt, t[NR], mm / 1024, mt / ft, mm / fm
      }'
done
