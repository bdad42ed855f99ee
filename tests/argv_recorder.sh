#!/bin/sh
# A stand-in for a started program: appends how it was started to the file
# $VTR_ARGV_LOG, as NUL-terminated fields: "start N", its own path, then its
# N arguments. It never evaluates its arguments.
{
  printf 'start %s\0' "$#"
  printf '%s\0' "$0" "$@"
} >>"${VTR_ARGV_LOG:?}"
