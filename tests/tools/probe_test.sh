#!/bin/sh
# The probe tool end to end: its device list, a recording any reader opens,
# and a clear failure for a device that is not there.
set -eu
probe=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export ORVANE_PREFIX="$dir" QT_QPA_PLATFORM=offscreen

"$probe" devices > "$dir/devices" 2>/dev/null
grep -qx 'video [0-9]* Lumitrex Virtual Camera' "$dir/devices"
grep -qx 'audio [0-9]* Lumitrex Virtual Microphone' "$dir/devices"
# Nothing but device lines on standard output.
if grep -vqE '^(video|audio) [0-9]+ ' "$dir/devices"; then exit 1; fi

"$probe" record --video "Lumitrex Virtual Camera" --audio "Lumitrex Virtual Microphone" \
  --size 320x240 --fps 10 --seconds 2 --out "$dir/out.avi" 2>/dev/null
frames=$(ffprobe -v error -select_streams v:0 -count_packets \
  -show_entries stream=nb_read_packets -of csv=p=0 "$dir/out.avi")
[ "$frames" -ge 17 ] && [ "$frames" -le 23 ]
ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$dir/out.avi" | grep -qx audio
[ -z "$(ffmpeg -nostdin -v error -i "$dir/out.avi" -f null - 2>&1)" ]

if "$probe" record --video "No Such Camera" --seconds 1 --out "$dir/x.avi" 2>"$dir/err"; then
  exit 1
fi
grep -q 'no video device named No Such Camera' "$dir/err"
# The capture window from outside: its drivers, and a sequence its own time
# limit ends, with sound.
"$probe" drivers > "$dir/drivers" 2>/dev/null
grep -qx '[0-9] Lumitrex Virtual Camera, Version: 1.0' "$dir/drivers"
driver=$(grep 'Lumitrex Virtual Camera' "$dir/drivers" | cut -d' ' -f1)
"$probe" sequence --driver "$driver" --seconds 2 --audio --out "$dir/seq.avi" 2>/dev/null \
  | grep -q 'frames in .* (time limit)'
frames=$(ffprobe -v error -select_streams v:0 -count_packets \
  -show_entries stream=nb_read_packets -of csv=p=0 "$dir/seq.avi")
[ "$frames" -ge 27 ] && [ "$frames" -le 32 ]
ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$dir/seq.avi" | grep -qx audio
[ -z "$(ffmpeg -nostdin -v error -i "$dir/seq.avi" -f null - 2>&1)" ]
if "$probe" sequence --driver 9 --seconds 1 --out "$dir/y.avi" 2>"$dir/err"; then exit 1; fi
grep -q 'cannot connect driver 9' "$dir/err"
echo "1 passed, 0 failed"
