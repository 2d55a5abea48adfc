#!/bin/sh
# Usage: deb_package.sh CMAKE CPACK SOURCE_DIR WORK_DIR
# Builds the Debian package as the README does, in WORK_DIR (kept, so that the next run only
# rebuilds what changed), for the tests that look at it.
set -eu
cmake=$1
cpack=$2
source=$3
work=$4
log=$work.log

if ! { "$cmake" -S "$source" -B "$work" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DTESSIMOR_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr &&
       "$cmake" --build "$work" -j2 &&
       rm -f "$work"/*.deb &&
       (cd "$work" && "$cpack" -G DEB); } >"$log" 2>&1; then
  cat "$log"
  exit 1
fi
ls "$work"/*.deb
