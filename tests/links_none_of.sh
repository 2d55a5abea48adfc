#!/bin/sh
# Usage: links_none_of.sh PATTERN PROGRAM...
# Fails when any program loads a library whose name matches the extended regular expression.
pattern=$1
shift
status=0
for program in "$@"; do
  libraries=$(ldd "$program") || { echo "cannot list the libraries of $program"; exit 1; }
  if echo "$libraries" | grep -E "$pattern"; then
    echo "$program loads the above"
    status=1
  fi
done
exit "$status"
