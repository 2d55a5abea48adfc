#!/bin/sh
# Usage: install_layout.sh PACKAGE_DIR VERSION
# Unpacks the Debian package built in PACKAGE_DIR into a scratch folder and checks that every
# program and its manual page and completion, each desktop entry with its icon and metadata, the
# udev rule, the copyright file and the changelog land there, that each entry starts a program that
# is installed, that the metadata is valid where installed, and that the changelog's last entry is
# VERSION.
set -eu
version=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

dpkg-deb -x "$1"/tessimor-eeprom_"$version"_*.deb "$stage"

fail=0
expect() {
  if [ -e "$stage/$1" ]; then
    echo "ok: $1"
  else
    echo "MISSING: $1"
    fail=1
  fi
}

for program in tessimor-eeprom tessimor-eeprom-demo tessimor-eeprom-cli tessimor-sim \
  tessimor-eeprom-station; do
  expect "usr/bin/$program"
  expect "usr/share/man/man1/$program.1.gz"
done
# The station's completion is a link; -e sees that it leads to a file.
for program in tessimor-eeprom-cli tessimor-eeprom-station; do
  expect "usr/share/bash-completion/completions/$program"
done
# Each entry, its component, its icon, and the program it starts.
for entry in tessimor-eeprom:org.example.tessimor.eeprom \
  tessimor-eeprom-station:org.example.tessimor.eeprom.station; do
  desktop=usr/share/applications/${entry%%:*}.desktop
  expect "$desktop"
  expect "usr/share/metainfo/${entry#*:}.metainfo.xml"
  [ -e "$stage/$desktop" ] || continue
  icon=$(sed -n 's/^Icon=//p' "$stage/$desktop")
  expect "usr/share/icons/hicolor/scalable/apps/$icon.svg"
  exec_line=$(grep '^Exec=' "$stage/$desktop" || true)
  program=${exec_line#Exec=}
  expect "usr/bin/${program%% *}"
done
# The metadata's launchable names the entry installed beside it.
appstreamcli validate-tree --no-net --strict "$stage" || fail=1
doc=usr/share/doc/tessimor-eeprom
expect $doc/copyright
expect $doc/changelog.gz

latest=$(gzip -dc "$stage/$doc/changelog.gz" | head -n 1)
case "$latest" in
  "tessimor-eeprom ($version) "*) echo "ok: changelog at $version" ;;
  *)
    echo "CHANGELOG not at $version: $latest"
    fail=1
    ;;
esac

rules=$(find "$stage" -path '*/udev/rules.d/60-tessimor-adapter.rules')
if [ -n "$rules" ]; then
  echo "ok: ${rules#"$stage"/}"
else
  echo "MISSING: udev/rules.d/60-tessimor-adapter.rules"
  fail=1
fi
exit $fail
