#!/bin/sh
# Usage: install_layout.sh BUILD_DIR
# Installs the build into a scratch DESTDIR and checks that every program built, the desktop
# entry and the udev rule land there, and that the entry starts a program that is installed.
set -eu
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null

fail=0
expect() {
  if [ -e "$stage/$1" ]; then
    echo "ok: $1"
  else
    echo "MISSING: $1"
    fail=1
  fi
}

for program in tessimor-eeprom tessimor-eeprom-demo tessimor-eeprom-cli tessimor-sim; do
  [ -e "$build/bin/$program" ] && expect "usr/bin/$program"
done
expect usr/share/applications/tessimor-eeprom.desktop

rules=$(find "$stage" -path '*/udev/rules.d/60-tessimor-adapter.rules')
if [ -n "$rules" ]; then
  echo "ok: ${rules#"$stage"/}"
else
  echo "MISSING: udev/rules.d/60-tessimor-adapter.rules"
  fail=1
fi

exec_line=$(grep '^Exec=' "$stage/usr/share/applications/tessimor-eeprom.desktop" || true)
program=${exec_line#Exec=}
program=${program%% *}
expect "usr/bin/$program"
exit $fail
