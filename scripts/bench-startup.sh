#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up benchmark: time to first drawn frame and resident memory at that moment and settled, for
# Tessivo and for two peers on the same private Xvfb in the same run: xmessage (the plain-Xlib floor) and, when
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

median() { "$probe" "$runs" "$@" | awk '/^median/ {print $2, $3, $4, $5}'; }

# The usual start: the font answers are remembered from an earlier run (one run first fills a
# private cache). The very first start, which asks fontconfig, is shown too: its cache place cannot
# be written, so every one of its runs asks again.
cache=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$cache"' EXIT
export XDG_CACHE_HOME="$cache"
"$probe" 1 "$build/tessivo" >/dev/null
# Resident memory is reported at the first frame and settled (one second later).
read -r f_ms f_kib f_set _ < <(median env XDG_CACHE_HOME=/proc/tessivo-nowhere "$build/tessivo")
echo "tessivo, first start ever (fonts asked of fontconfig): ${f_ms} ms, ${f_kib} KiB at first frame, ${f_set} KiB settled"
read -r t_ms t_kib t_set _ < <(median "$build/tessivo")
echo "tessivo        first frame ${t_ms} ms, resident ${t_kib} KiB at first frame, ${t_set} KiB settled"
ratios() {
  awk -v a="$t_ms" -v b="$2" -v c="$t_kib" -v d="$3" -v e="$t_set" -v f="$4" -v name="$1" \
    'BEGIN {printf "ratio vs %s: time %.2f, memory at first frame %.2f, settled %.2f\n",
            name, a / b, c / d, e / f}'
}
if command -v xmessage >/dev/null; then
  read -r x_ms x_kib x_set _ < <(median xmessage -center "Tessivo")
  echo "xmessage       first frame ${x_ms} ms, resident ${x_kib} KiB at first frame, ${x_set} KiB settled"
  ratios xmessage "$x_ms" "$x_kib" "$x_set"
fi
if command -v zenity >/dev/null; then
  read -r z_ms z_kib z_set _ < <(median zenity --info --text Tessivo)
  echo "zenity --info  first frame ${z_ms} ms, resident ${z_kib} KiB at first frame, ${z_set} KiB settled"
  ratios zenity "$z_ms" "$z_kib" "$z_set"
fi

# With a screen reader's bus on the desktop: a private session bus with the accessibility bus
# switched on, Tessivo with its bridge against Tessivo told to stay off it, in the same session.
# The first frame must not change; what the bridge costs comes after it (memory and processor
# time once settled).
launcher=/usr/libexec/at-spi-bus-launcher
if command -v dbus-run-session >/dev/null && [ -x "$launcher" ]; then
  export probe runs build launcher
  dbus-run-session -- bash -c '
    set -euo pipefail
    export GSETTINGS_BACKEND=memory
    "$launcher" --launch-immediately --a11y=1 >/dev/null 2>&1 &
    launcher_pid=$!
    trap "kill $launcher_pid 2>/dev/null || true" EXIT
    sleep 1
    median() { "$probe" "$runs" "$@" | awk "/^median/ {print \$2, \$3, \$4, \$5}"; }
    read -r on_ms on_kib on_set on_cpu < <(median "$build/tessivo")
    read -r off_ms off_kib off_set off_cpu < <(median env TESSIVO_A11Y=0 "$build/tessivo")
    echo "with an accessibility bus: first frame ${on_ms} ms (bridge off: ${off_ms} ms)"
    echo "  bridge cost once settled: +$((on_set - off_set)) KiB resident, +$((on_cpu - off_cpu)) ms processor time"
  ' 2>&1 | grep -v "^dbus-daemon"
fi
