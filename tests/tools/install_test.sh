#!/bin/sh
# What `cmake --install` and the Debian package hold: the three programs,
# desktop entries and AppStream metainfo that their validators accept, the
# icons in every hicolor size, and a package that declares what it needs.
set -eu
build=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

cmake --install "$build" --prefix "$dir/usr" > /dev/null
for program in velbin tarrow orvane-probe; do [ -x "$dir/usr/bin/$program" ]; done
for app in Velbin Tarrow; do
  id=org.orvane.$app
  desktop-file-validate "$dir/usr/share/applications/$id.desktop"
  grep -qx 'Categories=AudioVideo;Video;Recorder;' "$dir/usr/share/applications/$id.desktop"
  appstreamcli validate --no-net "$dir/usr/share/metainfo/$id.metainfo.xml" > /dev/null
  for size in 16 24 32 48 64 128 256; do
    icon="$dir/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ -s "$icon" ]
  done
done

(cd "$dir" && cpack --config "$build/CPackConfig.cmake" -B "$dir/package" > /dev/null)
deb=$(ls "$dir"/package/*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'fonts-nanum.*fonts-liberation2'
dpkg-deb -f "$deb" Depends | grep -q 'qt6-translations-l10n'  # Qt's dialogs in Korean for Tarrow
dpkg-deb -f "$deb" Depends | grep -q 'gstreamer1.0-plugins-good'
dpkg-deb -f "$deb" Recommends | grep -q 'gstreamer1.0-pipewire'
dpkg-deb -c "$deb" | grep -q './usr/bin/tarrow$'
dpkg-deb -c "$deb" | grep -q './usr/share/applications/org.orvane.Velbin.desktop$'
echo "1 passed, 0 failed"
