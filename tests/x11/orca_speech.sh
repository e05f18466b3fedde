#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What Orca, the desktop's screen reader, would say while a user presses keys in a program. Orca
# runs with a silent speech server (nothing is played, no speech daemon is started) and keeps its
# debug log; every sentence it would have spoken is printed after the key that led to it.
#
# Run it inside the session build/tests/accessibility_session makes (private X server, window
# manager, session and accessibility buses):
#
#   build/tests/accessibility_session tests/x11/orca_speech.sh [--app NAME] \
#       [--keys "Tab Tab Down"] [--log FILE] -- PROGRAM [ARGS...]
#
# NAME is the program's application name on the accessibility bus (the program file's name unless
# given); keys are the names tests/x11/atspi_client.py's `keys` command knows. Prints one line per
# sentence, "[start] ..." for what Orca says when it finds the program, "[KEY] ..." after each key.
# Exit code 1 when Orca said nothing about the program at all, 2 on wrong use, 77 when Orca is not
# installed (except under continuous integration, CI=true, where that is a failure).
set -euo pipefail

if ! command -v orca >/dev/null; then
  echo "orca_speech.sh: orca is missing; install orca (scripts/install-deps.sh installs it)" >&2
  case "${CI:-}" in true | 1) exit 1 ;; *) exit 77 ;; esac
fi

app=""
keys=""
log=""
while [ $# -gt 0 ]; do
  case "$1" in
    --app) app=$2; shift 2 ;;
    --keys) keys=$2; shift 2 ;;
    --log) log=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "orca_speech.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ $# -eq 0 ] || [ -z "${ATSPI_CLIENT:-}" ] || [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  echo "usage (inside build/tests/accessibility_session): $0 [--app NAME] [--keys KEYS] -- PROGRAM [ARGS...]" >&2
  exit 2
fi
app=${app:-$(basename "$1")}
python=/usr/bin/python3
prefs="$HOME/orca"
log=${log:-$HOME/orca-debug.log}
# Every wait below is bounded: Orca's start, the program's appearance, and the quiet after a key.
readonly start_seconds=30 settle_seconds=8 quiet_seconds=0.7 step_seconds=0.1

program_pid=""
orca_pid=""
end_all() {
  for pid in $orca_pid $program_pid; do kill "$pid" 2>/dev/null || true; done
  sleep 1
  for pid in $orca_pid $program_pid; do kill -9 "$pid" 2>/dev/null || true; done
}
trap end_all EXIT
trap 'exit 143' TERM INT HUP

# Orca's own settings, private to this session: speech to a server that says nothing aloud (the
# log still records every sentence), no braille, no echo of the keys themselves, the log unbuffered.
mkdir -p "$prefs"
cat >"$prefs/orca-customizations.py" <<'EOF'
import sys
import types

from orca import debug, settings, speechserver

# Each line of the log reaches the file as it is written, so what Orca says is read while it runs.
if debug.debugFile is not None:
    debug.debugFile.reconfigure(line_buffering=True)


class SilentSpeechServer(speechserver.SpeechServer):
    @staticmethod
    def getFactoryName():
        return "silent"

    @staticmethod
    def getSpeechServers():
        return [SilentSpeechServer()]

    @staticmethod
    def getSpeechServer(info=None):
        return SilentSpeechServer()

    @staticmethod
    def shutdownActiveServers():
        pass

    def getInfo(self):
        return ["silent", "silent"]

    def getVoiceFamilies(self):
        return []


factory = types.ModuleType("silent_speech")
factory.SpeechServer = SilentSpeechServer
sys.modules["silent_speech"] = factory
settings.speechServerFactory = "silent_speech"
settings.speechFactoryModules = ["silent_speech"]
settings.enableBraille = False
settings.enableKeyEcho = False
EOF

"$@" &
program_pid=$!
"$python" "$ATSPI_CLIENT" --seconds "$start_seconds" tree "$app" >/dev/null

: >"$log"
orca --user-prefs "$prefs" --disable braille --debug-file "$log" >/dev/null 2>&1 &
orca_pid=$!

# Waits until Orca's log stops growing (or settle_seconds pass).
settle() {
  local size=-1 quiet_since=0 now
  local deadline=$(($(date +%s) + settle_seconds))
  while [ "$(date +%s)" -lt "$deadline" ]; do
    now=$(stat -c %s "$log")
    if [ "$now" != "$size" ]; then
      size=$now
      quiet_since=$(date +%s.%N)
    elif awk -v a="$(date +%s.%N)" -v b="$quiet_since" -v q="$quiet_seconds" 'BEGIN { exit !(a - b >= q) }'; then
      return 0
    fi
    sleep "$step_seconds"
  done
}

spoken=0
# Prints the sentences Orca logged since the last call, each after `[$1]`.
say_new() {
  local all
  all=$(sed -n "s/^.*SPEECH OUTPUT: '\(.*\)'\( voice=[^{]*\)\{0,1\} \{0,1\}{.*$/\1/p" "$log")
  if [ -n "$all" ]; then
    printf '%s\n' "$all" | tail -n +$((spoken + 1)) | sed "s/^/[$1] /"
    spoken=$(printf '%s\n' "$all" | wc -l)
  fi
}

deadline=$(($(date +%s) + start_seconds))
until grep -q "SPEECH OUTPUT" "$log"; do
  if [ "$(date +%s)" -ge "$deadline" ] || ! kill -0 "$orca_pid" 2>/dev/null; then
    echo "orca_speech.sh: Orca did not start; its log is $log" >&2
    exit 1
  fi
  sleep "$step_seconds"
done
settle
say_new start
for key in $keys; do
  "$python" "$ATSPI_CLIENT" keys "$key"
  settle
  say_new "$key"
done
# Its own "Screen reader on." aside, Orca must have said something.
if [ "$spoken" -le 1 ]; then
  echo "orca_speech.sh: Orca said nothing about $app; its log is $log" >&2
  exit 1
fi
