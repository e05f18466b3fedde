#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the built Debian package as a user's machine would meet it: lintian finds no error and no
# warning that is not overridden, the AppStream data and the desktop entry pass their validators,
# and the program unpacked from the package (not the build tree) starts on a private Xvfb, finds
# the MIDI file of a chosen key in its own share/tessivo, and plays it (written to a WAV file).
#
#   check-package.sh [DIR]   DIR (default build-package/) holds tessivo_*.deb (make package)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-package}
app_id=br.com.lumarest.Tessivo
shopt -s nullglob
debs=("$dir"/tessivo_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "check-package: expected one tessivo_*.deb in $dir" >&2; exit 1; }
deb=${debs[0]}

fail() {
  echo "check-package: $*" >&2
  exit 1
}

echo "lintian $(basename "$deb")"
lintian --fail-on error,warning --info "$deb"

work=$(mktemp -d)
xvfb=""
program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml"
desktop-file-validate "$work/root/usr/share/applications/$app_id.desktop"
for size in 16 22 24 32 48 64 128 256; do
  [ -f "$work/root/usr/share/icons/hicolor/${size}x$size/apps/$app_id.png" ] || fail "no ${size}px icon"
done
[ -f "$work/root/usr/share/man/man1/tessivo.1.gz" ] || fail "no English manual page"
[ -f "$work/root/usr/share/man/pt/man1/tessivo.1.gz" ] || fail "no Portuguese manual page"

# The unpacked program, started from an empty folder so that only its own share/tessivo can hold
# the key files.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
display=""
for _ in $(seq 50); do
  read -r -t 0.2 -u "$fd" display && break || true
done
[ -n "$display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$display"
mkdir "$work/cwd" "$work/cache"
wav="$work/played.wav"
(cd "$work/cwd" && XDG_CACHE_HOME="$work/cache" TESSIVO_AUDIO="wav:$wav" TESSIVO_A11Y=0 \
  exec "$work/root/usr/bin/tessivo") 2>"$work/tessivo.err" &
program=$!

# The main window (its client area is the X window: no window manager here), then what a student
# does: click the key selector, Down chooses the first key, Play plays it.
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "^Tessivo - Vers" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || fail "the program ended at start: $(cat "$work/tessivo.err")"
  sleep 0.1
done
[ -n "$window" ] || fail "the main window did not appear"
readonly field_x=112 field_y=26 play_x=294 play_y=23
xdotool mousemove --window "$window" "$field_x" "$field_y" click 1
sleep 0.3
xdotool key Down
sleep 0.5
# A missing key file would put up the error box, titled with the program file's name.
boxes=$(xdotool search --onlyvisible --name "^tessivo$" 2>/dev/null | wc -l || true)
[ "$boxes" -eq 0 ] || fail "an error box appeared after choosing a key"
xdotool mousemove --window "$window" "$play_x" "$play_y" click 1

# Played: the WAV file grows past its header with sound that is not silence.
for _ in $(seq 100); do
  [ -f "$wav" ] && [ "$(stat -c %s "$wav")" -gt 8192 ] && break
  sleep 0.1
done
[ -f "$wav" ] || fail "Play wrote no sound: the key's MIDI file was not played ($(cat "$work/tessivo.err"))"
python3 - "$wav" <<'PY' || fail "the sound written is silence"
import struct, sys
data = open(sys.argv[1], "rb").read()[44:]
samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
sys.exit(0 if samples and max(abs(s) for s in samples) > 64 else 1)
PY
echo "check-package: $(basename "$deb") is clean, and its program played a key from its own files"
