#!/bin/sh
# Usage: man_options.sh PAGE PROGRAM
# Fails when PROGRAM --help names a long option that the manual page PAGE does not show.
set -eu
page=$1
program=$2
options=$("$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
# The page as a reader sees it, without the overstrikes that make bold.
shown=$(mandoc -T ascii "$page" | sed 's/.\x08//g')
[ -n "$options" ] || { echo "$program --help names no option"; exit 1; }

fail=0
for option in $options; do
  if printf '%s\n' "$shown" | grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)"; then
    echo "ok: $option"
  else
    echo "MISSING from ${page##*/}: $option"
    fail=1
  fi
done
exit $fail
