#!/bin/sh
# Usage: man_lint.sh PAGE...
# Fails on any remark about a manual page, from mandoc down to its style hints and from groff
# as lintian runs it.
set -u
fail=0
for page in "$@"; do
  remarks=$(
    mandoc -T lint -W style "$page" 2>&1
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
      man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null
  )
  if [ -n "$remarks" ]; then
    printf '%s\n' "$remarks"
    fail=1
  else
    echo "ok: ${page##*/}"
  fi
done
exit $fail
