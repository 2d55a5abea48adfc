#!/bin/sh
# Usage: deb_lintian.sh CMAKE CPACK SOURCE_DIR WORK_DIR
# Builds the Debian package as the README does, in WORK_DIR (kept, so that the next run only
# rebuilds what changed), and fails on any error or warning from lintian; infos and pedantic
# hints are shown.
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
deb=$(ls "$work"/*.deb)
echo "lintian ${deb##*/}:"
lintian --fail-on error,warning -I --pedantic "$deb"
