#!/usr/bin/env bash
# Start-up benchmark: time to first drawn frame and resident memory at that moment, for Tessivo and
# for two peers on the same private Xvfb in the same run: xmessage (the plain-Xlib floor) and, when
# installed, a GTK dialog (zenity --info). Figures are medians; ratios are Tessivo / peer.
set -euo pipefail
build=${1:-build}
runs=${RUNS:-9}
probe="$build/startup_probe"
[ -x "$probe" ] || { echo "startup_probe not built (libxdamage-dev missing?)"; exit 0; }

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
display=""
for _ in $(seq 50); do
  read -r -t 0.2 -u "$fd" display && break || true
done
[ -n "$display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$display"

median() { "$probe" "$runs" "$@" | awk '/^median/ {print $2, $3}'; }

read -r t_ms t_kib < <(median "$build/tessivo")
echo "tessivo        first frame ${t_ms} ms, resident ${t_kib} KiB"
if command -v xmessage >/dev/null; then
  read -r x_ms x_kib < <(median xmessage -center "Tessivo")
  echo "xmessage       first frame ${x_ms} ms, resident ${x_kib} KiB"
  awk -v a="$t_ms" -v b="$x_ms" -v c="$t_kib" -v d="$x_kib" \
    'BEGIN {printf "ratio vs xmessage: time %.2f, memory %.2f\n", a / b, c / d}'
fi
if command -v zenity >/dev/null; then
  read -r z_ms z_kib < <(median zenity --info --text Tessivo)
  echo "zenity --info  first frame ${z_ms} ms, resident ${z_kib} KiB"
  awk -v a="$t_ms" -v b="$z_ms" -v c="$t_kib" -v d="$z_kib" \
    'BEGIN {printf "ratio vs zenity: time %.2f, memory %.2f\n", a / b, c / d}'
fi
