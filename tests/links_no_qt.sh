#!/bin/sh
# Fails when any program given loads a Qt library.
status=0
for program in "$@"; do
  libraries=$(ldd "$program") || { echo "cannot list the libraries of $program"; exit 1; }
  if echo "$libraries" | grep -i 'libQt'; then
    echo "$program links Qt"
    status=1
  fi
done
exit "$status"
