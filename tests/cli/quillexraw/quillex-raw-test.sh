#!/usr/bin/env bash
# Checks quillex-raw end to end: digests of the sample recordings, and synth -> info -> dump
# -> cut -> stats agreeing with each other. Usage: quillex-raw-test.sh BIN DATA_DIR
set -u
bin="$1"
data="${QUILLEX_TEST_DATA:-$2}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    passes=$((passes + 1))
  else
    echo "FAIL $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  fi
}
field() { sed -n "s/^$1: //p" "$2"; }

# 1. The sample recordings give the digests their README records.
if [ -f "$data/evt3_gen41_evk3_1280x720_vectors.raw" ]; then
  while read -r file events triggers cd trig first last; do
    "$bin" stats "$data/$file" > "$work/stats.txt" 2> "$work/err.txt"
    check "$file exit" 0 $?
    check "$file events" "$events" "$(field events "$work/stats.txt")"
    check "$file triggers" "$triggers" "$(field triggers "$work/stats.txt")"
    check "$file cd digest" "$cd" "$(field cd_csv_sha256 "$work/stats.txt")"
    check "$file trigger digest" "$trig" "$(field trig_csv_sha256 "$work/stats.txt")"
    check "$file first" "$first" "$(field first_event "$work/stats.txt")"
    check "$file last" "$last" "$(field last_event "$work/stats.txt")"
    check "$file quiet" "" "$(cat "$work/err.txt")"
  done <<'SAMPLES'
evt3_gen41_evk3_1280x720_vectors.raw 219596 0 86936807ee2cf08d97e2ea5444d918c89111f9c8b1c83ba5c359a36608f52c1c e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 874,200,0,11718656 1218,572,1,11727457
evt3_1280x720_trigger_erc.raw 82469 2 1867b94dc39e78768732e5b26dca9d519913c2c468e6bc0c53979fb5757cfb9e 7ea88b8e975cb480bb0b180f9087f62151c0229c89cc185526f0f91231deedf5 354,604,1,14224870 15,157,0,15476187
evt3_640x480_trigger_1khz.raw 343474 4157 ef8fd57215319f10d81291afc7594c08017222473b5e40b9757c242855b78178 45b1d744ddf7968f17bd6807168a13229b0090c7afb41cdf7118dc0a555410d3 479,441,0,7139845 39,374,0,9218023
SAMPLES
else
  echo "sample recordings not found in $data: skipping the digest checks"
fi

# 2. A synthetic recording: what synth wrote is what the reader and the decoder see.
rec="$work/syn.raw"
"$bin" synth "$rec" --width 640 --height 480 --duration-us 300000 --rate-mev 2 --seed 3 --trigger-hz 50 --serial S-7 \
  > "$work/synth.txt"
check "synth exit" 0 $?
"$bin" info "$rec" > "$work/info.txt"
check "info exit" 0 $?
"$bin" stats "$rec" > "$work/stats.txt"
check "info width" 640 "$(field width "$work/info.txt")"
check "info serial" S-7 "$(field serial_number "$work/info.txt")"
check "info start" 1000000 "$(field dvs_start_timestamp "$work/info.txt")"
check "info events" "$(field events "$work/synth.txt")" "$(field max_events "$work/info.txt")"
check "info triggers" "$(field triggers "$work/synth.txt")" "$(field triggers "$work/info.txt")"
check "stats events" "$(field events "$work/synth.txt")" "$(field events "$work/stats.txt")"
# 50 Hz square wave: an edge every 10 ms after the start, 29 of them in 300 ms.
check "stats triggers" 29 "$(field triggers "$work/stats.txt")"
check "stats first" "1000000" "$(field first_event "$work/stats.txt" | cut -d, -f4)"

# dump of [a, b) and the cut of [a, b) hold the same events.
a=1100000; b=1200000
"$bin" dump "$rec" --start $a --duration $((b - a)) > "$work/dump.txt"
check "dump exit" 0 $?
"$bin" cut "$rec" "$work/cut.raw" --start $a --end $b
check "cut exit" 0 $?
"$bin" stats "$work/cut.raw" > "$work/cutstats.txt"
check "cut events" "$(wc -l < "$work/dump.txt" | tr -d ' ')" "$(field events "$work/cutstats.txt")"
check "cut first" "$(head -1 "$work/dump.txt")" "$(field first_event "$work/cutstats.txt")"
check "cut last" "$(tail -1 "$work/dump.txt")" "$(field last_event "$work/cutstats.txt")"
"$bin" dump "$rec" --start $a --limit 7 > "$work/limit.txt"
check "dump limit" 7 "$(wc -l < "$work/limit.txt" | tr -d ' ')"

# export of [a, b): an H.264 MP4 with one frame per non-empty 33333 us window (the synthetic
# scene is never empty): 100000 us make windows at +0, +33333, +66666 and +99999, so 4 frames,
# every one a key frame; a reversed range fails.
if command -v ffprobe > /dev/null 2>&1; then
  "$bin" export "$rec" "$work/range.mp4" --start $a --end $b > /dev/null 2> "$work/progress.txt"
  check "export exit" 0 $?
  check "export progress" yes "$(grep -q '100%' "$work/progress.txt" && echo yes)"
  probe() { ffprobe -v error -select_streams v:0 -count_frames -show_entries "stream=$1" -of csv=p=0 "$work/range.mp4"; }
  check "export codec" h264 "$(probe codec_name)"
  check "export frames" 4 "$(probe nb_read_frames)"
  keys=$(ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 "$work/range.mp4" | grep -c '^K')
  check "export key frames" 4 "$keys"
  "$bin" export "$rec" "$work/none.mp4" --start $b --end $a > /dev/null 2> "$work/err.txt"
  check "empty export exit" 1 $?
else
  echo "ffprobe not found: skipping the export checks"
fi

# 3. Failures: exit 1 and one line on standard error; bad arguments show the usage.
"$bin" info "$work/missing.raw" > /dev/null 2> "$work/err.txt"
check "missing exit" 1 $?
check "missing one line" 1 "$(wc -l < "$work/err.txt" | tr -d ' ')"
"$bin" cut "$rec" "$work/none.raw" --start $a --end $a > /dev/null 2> "$work/err.txt"
check "empty cut exit" 1 $?
check "empty cut message" "quillex-raw: cut failed: There is no data in the interval." "$(cat "$work/err.txt")"
printf '%% format EVT2;height=720;width=1280\n%% end\n\x00\x80' > "$work/evt2.raw"
"$bin" info "$work/evt2.raw" > /dev/null 2> "$work/err.txt"
check "evt2 exit" 1 $?
check "evt2 one line" 1 "$(wc -l < "$work/err.txt" | tr -d ' ')"
"$bin" dump "$rec" --limit lots > /dev/null 2> "$work/err.txt"
check "bad number exit" 1 $?
"$bin" frobnicate > /dev/null 2> "$work/err.txt"
check "unknown command exit" 1 $?
check "usage shown" 1 "$(grep -c '^usage: quillex-raw' "$work/err.txt")"

echo "quillex-raw: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
