#!/bin/sh
# Usage: if_supported.sh TOOL [VERB] -- ARGS...
# Runs TOOL [VERB] ARGS...; exits 77 (skipped) where this machine lacks TOOL or TOOL lacks VERB,
# as udevadm before 253 lacks "verify".
set -e
tool=$1
shift
verb=
if [ "$1" != "--" ]; then
  verb=$1
  shift
fi
[ "$1" = "--" ] && shift

if ! command -v "$tool" >/dev/null 2>&1; then
  echo "$tool is not installed here: skipped"
  exit 77
fi
if [ -n "$verb" ] && ! "$tool" "$verb" --help >/dev/null 2>&1; then
  echo "$tool has no '$verb' here: skipped"
  exit 77
fi
exec "$tool" ${verb:+"$verb"} "$@"
