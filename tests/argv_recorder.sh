#!/bin/sh
# A stand-in for a started program: appends how it was started to the file
# $VTR_ARGV_LOG, as NUL-terminated fields: "start N", its own path, then its
# N arguments. It never evaluates its arguments. A started program must not
# read its starter's input (the terminal front end's keys): when its input
# is not /dev/null, that is recorded as one more argument.
in=$(readlink /proc/self/fd/0)
[ "$in" = /dev/null ] || set -- "$@" "<input: $in>"
{
  printf 'start %s\0' "$#"
  printf '%s\0' "$0" "$@"
} >>"${VTR_ARGV_LOG:?}"
