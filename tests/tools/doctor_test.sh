#!/bin/sh
# The doctor on a machine set up in a folder standing in for / (dev, sys,
# run/udev, proc): a webcam another program holds, its metadata node, a
# face-login infrared camera, a camera the user may not open and a raw
# sensor only libcamera drives; and no PipeWire daemon. Run as an ordinary
# user, since root may open any node. Where the machine has V4L2 nodes of
# its own, the doctor's reading of them is held against v4l2-ctl's.
set -eu
probe=$(realpath "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
root=$dir/root
mkdir -p "$root/dev" "$root/run/udev/data" "$dir/home" "$dir/runtime"

# node NUMBER NAME CAPABILITIES DRIVER MODE
node() {
  sys=$root/sys/class/video4linux/video$1
  device=$root/sys/devices/camera$1
  mkdir -p "$sys" "$device" "$root/sys/bus/drivers/$4"
  echo "$2" > "$sys/name"
  echo "81:$1" > "$sys/dev"
  ln -s "$root/sys/bus/drivers/$4" "$device/driver"
  ln -s "$device" "$sys/device"
  printf 'E:ID_V4L_VERSION=2\nE:ID_V4L_CAPABILITIES=%s\n' "$3" > "$root/run/udev/data/c81:$1"
  : > "$root/dev/video$1"
  chmod "$5" "$root/dev/video$1"
}
node 0 "Integrated Camera: Integrated C" ":capture:" uvcvideo 666
node 1 "Integrated Camera: Integrated C" ":" uvcvideo 666
node 2 "Integrated IR Camera" ":capture:" uvcvideo 666
node 3 "USB Camera" ":capture:" uvcvideo 660
node 4 "Intel IPU6 ISYS Capture 0" ":capture:" intel-ipu6-isys 666
chgrp video "$root/dev/video3" 2>/dev/null || true
# Process 4242 holds the webcam.
mkdir -p "$root/proc/4242/fd"
echo cheese > "$root/proc/4242/comm"
ln -s "$root/dev/video0" "$root/proc/4242/fd/7"
chmod -R a+rX "$dir"

as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$dir/home" "$dir/runtime"
    setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$dir/home" "$@"
  else
    chmod 000 "$root/dev/video3"
    env HOME="$dir/home" "$@"
  fi
}

status=0
as_user env -u PIPEWIRE_RUNTIME_DIR -u PIPEWIRE_REMOTE XDG_RUNTIME_DIR="$dir/runtime" \
  ORVANE_PREFIX="$dir/home" QT_QPA_PLATFORM=offscreen GST_REGISTRY="$dir/home/registry.bin" \
  "$probe" doctor --root "$root" > "$dir/out" 2>/dev/null || status=$?
cat "$dir/out"
expect() {
  grep -qxF "$1" "$dir/out" || { echo "missing: $1" >&2; exit 1; }
}
# No camera of the machine's own is listed: exit 1.
[ "$status" -eq 1 ]
expect "v4l2 $root/dev/video0 \"Integrated Camera: Integrated C\" capture, driver uvcvideo"
expect "v4l2 $root/dev/video1 \"Integrated Camera: Integrated C\" no capture, driver uvcvideo: not a camera, left out"
expect "problem: $root/dev/video0 is in use by process 4242 (cheese): close that program, or the camera stays busy"
expect "problem: $root/dev/video1 \"Integrated Camera: Integrated C\" is a metadata node, not a camera: the programs leave it out; nothing to do"
expect "problem: $root/dev/video2 \"Integrated IR Camera\" gives an infrared picture only (face login): the programs leave it out; its colour camera is another node"
group=$(stat -c %G "$root/dev/video3")
expect "problem: no read/write permission on $root/dev/video3: join the group \"$group\" (\"sudo usermod -aG $group \$USER\"), then log out and in again"
expect "problem: $root/dev/video4 is a raw sensor (intel-ipu6-isys) that only libcamera turns into pictures: install gstreamer1.0-libcamera"
expect "problem: no PipeWire daemon answers at $dir/runtime/pipewire-0, though this desktop delivers cameras through it: \"systemctl --user start pipewire.socket wireplumber\""
expect "Velbin opens \"Lumitrex Virtual Camera\""
# Only the held node is busy, and the others are readable.
[ "$(grep -c 'in use by' "$dir/out")" -eq 1 ]
[ "$(grep -c 'no read/write permission' "$dir/out")" -eq 1 ]

# The machine's own nodes, where it has any, read as v4l2-ctl reads them.
for dev in /dev/video*; do
  [ -e "$dev" ] && command -v v4l2-ctl >/dev/null || continue
  "$probe" doctor > "$dir/real" 2>/dev/null || true
  card=$(v4l2-ctl -d "$dev" --info 2>/dev/null | sed -n 's/^[[:space:]]*Card type *: //p')
  grep -q "^v4l2 $dev \"$card\"" "$dir/real"
done
echo "1 passed, 0 failed"
