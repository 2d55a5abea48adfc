#!/bin/sh
# Usage: install_layout.sh PACKAGE_DIR VERSION
# Unpacks the Debian package built in PACKAGE_DIR into a scratch folder and checks that every
# program and its manual page, the desktop entry with its icon, metadata and completion, the udev
# rule, the copyright file and the changelog land there, that the entry starts a program that is
# installed, that the metadata is valid where installed, and that the changelog's last entry is
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

for program in tessimor-eeprom tessimor-eeprom-demo tessimor-eeprom-cli tessimor-sim; do
  expect "usr/bin/$program"
  expect "usr/share/man/man1/$program.1.gz"
done
expect usr/share/applications/tessimor-eeprom.desktop
expect usr/share/metainfo/org.example.tessimor.eeprom.metainfo.xml
expect usr/share/bash-completion/completions/tessimor-eeprom-cli
icon=$(sed -n 's/^Icon=//p' "$stage/usr/share/applications/tessimor-eeprom.desktop")
expect "usr/share/icons/hicolor/scalable/apps/$icon.svg"
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

exec_line=$(grep '^Exec=' "$stage/usr/share/applications/tessimor-eeprom.desktop" || true)
program=${exec_line#Exec=}
program=${program%% *}
expect "usr/bin/$program"
exit $fail
