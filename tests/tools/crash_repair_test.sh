#!/bin/sh
# A recording process killed outright (a crash, a power loss) leaves a file
# whose headers say 0 frames; "orvane-probe repair" makes it whole, in one
# part and past 1 GiB, and any reader then reads all but about the last frame.
set -eu
probe=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export ORVANE_PREFIX="$dir" QT_QPA_PLATFORM=offscreen

frames() {
  ffprobe -v error -select_streams v:0 -count_packets \
    -show_entries stream=nb_read_packets,nb_frames -of csv=p=0 "$1"
}

# killed SIZE FPS SECONDS: records, is killed after SECONDS, repaired, checked.
killed() {
  out="$dir/killed-$1.avi"
  "$probe" record --video "Lumitrex Virtual Camera" --audio "Lumitrex Virtual Microphone" \
    --size "$1" --fps "$2" --seconds 600 --out "$out" 2>/dev/null &
  pid=$!
  sleep "$3"
  kill -9 "$pid"
  wait "$pid" 2>/dev/null || true
  "$probe" repair "$out" | grep -q ': repaired: '
  # nb_frames (the headers) and nb_read_packets (what is there) agree, and
  # hold the recorded time but for about a second of start-up and the cut.
  set -- $(frames "$out" | tr ',' ' ') "$2" "$3"
  [ "$1" -eq "$2" ]
  [ "$2" -ge $(( ($4 - 2) * $3 )) ]
  [ -z "$(ffmpeg -nostdin -v error -i "$out" -f null - 2>&1)" ]
  "$probe" repair "$out" | grep -q ': clean$'
}

killed 640x480 15 3
killed 1280x720 30 25
size=$(stat -c %s "$dir/killed-1280x720.avi")
[ "$size" -gt 1073741824 ]  # past the first part

# A file that is no recording is left alone and said to be.
printf 'not a video' > "$dir/notes.avi"
if "$probe" repair "$dir/notes.avi" 2>/dev/null; then exit 1; fi
[ "$(cat "$dir/notes.avi")" = "not a video" ]
echo "1 passed, 0 failed"
