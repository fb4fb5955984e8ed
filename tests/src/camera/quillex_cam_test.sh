#!/usr/bin/env bash
# quillex-cam against simulated cameras: list, configuration export/load, a short recording.
set -euo pipefail
cam="$1"
bindir="$(dirname "$cam")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QUILLEX_SIM_CAMERAS='evk4:SIM1;serin320:SMALL'
export QUILLEX_LOG_LEVEL=4
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$("$cam" list)
[ "$(printf '%s\n' "$out" | wc -l)" -eq 2 ] || fail "list: $out"
printf '%s\n' "$out" | grep -q $'^SIM1\t[^\t]*\tEVK4\tusb$' || fail "list line of SIM1: $out"
printf '%s\n' "$out" | grep -q $'^SMALL\t' || fail "list line of SMALL: $out"

"$cam" config export SIM1 "$work/cfg.json" || fail "config export"
grep -q '^    "ROI": {$' "$work/cfg.json" || fail "exported file: $(cat "$work/cfg.json")"
printf '{"ROI": {"enable": true, "mode": "ROI", "x": 100, "y": 200, "x_width": 64, "y_height": 32}}' >"$work/roi.json"
"$cam" config load SIM1 "$work/roi.json" || fail "config load"
printf '{"ROI": ' >"$work/broken.json"
if "$cam" config load SIM1 "$work/broken.json" 2>/dev/null; then fail "broken JSON accepted"; fi

rec=$("$cam" record SIM1 "$work/out.raw" --seconds 2 --config "$work/roi.json")
printf '%s\n' "$rec" | grep -Eq '^1 s: [0-9.]+ MB/s, [0-9.]+ Mev/s$' || fail "statistics lines: $rec"
bytes=$(stat -c %s "$work/out.raw")
printf '%s\n' "$rec" | grep -q "^$bytes bytes written to $work/out.raw$" || fail "byte count: $rec (file $bytes)"
head -c 300 "$work/out.raw" | grep -aq '^% serial_number SIM1$' || fail "header"

set +e
"$cam" record NOPE "$work/x.raw" --seconds 1 2>/dev/null; rc=$?
[ $rc -eq 1 ] || fail "unknown serial gave $rc"
"$cam" record SIM1 "$work/x.raw" 2>/dev/null; rc=$?
[ $rc -eq 2 ] || fail "missing --seconds gave $rc"
set -e

if [ -x "$bindir/quillex-raw" ]; then
    "$bindir/quillex-raw" info "$work/out.raw" >/dev/null || fail "quillex-raw info"
    "$bindir/quillex-raw" stats "$work/out.raw" >/dev/null || fail "quillex-raw stats"
fi
echo ok
