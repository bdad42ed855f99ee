#!/bin/sh
# A stand-in for Vantorel's Vtr.exe on the terminal front end's drive C:
# tools/start.sh installs it there for a first run. It only notes how it
# was started, one line per start, in Vtr.log beside itself.
log="$(dirname "$0")/Vtr.log"
{
  printf '%s started' "$(date '+%Y-%m-%d %H:%M:%S')"
  for arg in "$@"; do printf ' [%s]' "$arg"; done
  printf '\n'
} >>"$log"
