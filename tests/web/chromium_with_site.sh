#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The browser build as a student on a Linux desktop opens it: the site served on this machine and
# Debian's Chromium, with a window of its own, showing it. For a screen reader on the desktop test
# bed (inside build/tests/accessibility_session, with tests/x11/orca_speech.sh --app Chromium);
# Chromium's accessibility is switched on from the start, as a running Orca would have it.
#
#   tests/web/chromium_with_site.sh [SITE_FOLDER]     (build-web/site)
set -euo pipefail
site=${1:-build-web/site}
here=$(cd "$(dirname "$0")" && pwd)
profile=$(mktemp -d)
port=$((20000 + RANDOM % 20000))
node "$here/../../scripts/serve-web.mjs" "$site" "$port" >/dev/null &
server=$!
trap 'kill $server 2>/dev/null || true; rm -rf "$profile"' EXIT
sleep 1
# As the session's user may be root (a test machine), Chromium's sandbox is off, as playwright does.
/usr/bin/chromium --no-sandbox --no-first-run --no-default-browser-check --force-renderer-accessibility \
  --user-data-dir="$profile" --window-size=1280,1024 --app="http://127.0.0.1:$port/" 2>/dev/null
