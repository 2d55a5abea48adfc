#!/bin/bash
# Usage: completion_test.sh COMPLETION_FILE [BASH_COMPLETION]
# Completes each line of the table below as bash would on <TAB> at its end, in a folder holding
# board.hex, image.BIN, main.o, notes, notes.md, dir/ and an image of each format, and compares
# the sorted candidates.
completion=$1
framework=${2:-/usr/share/bash-completion/bash_completion}
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=/dev/null
source "$completion" || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir dir formats && touch board.hex image.BIN main.o notes notes.md || exit 1
touch formats/a.{bin,hex,ihex,eep,srec,s19,s28,s37,mot,txt,o} || exit 1

fail=0
while IFS='|' read -r line expected; do
    COMP_LINE="tessimor-eeprom-cli $line"
    COMP_POINT=${#COMP_LINE}
    # The words bash gives: split at blanks, "=" a word of its own, an empty one after a blank.
    read -ra COMP_WORDS <<<"${COMP_LINE//=/ = }"
    [[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tessimor_eeprom_cli tessimor-eeprom-cli "${COMP_WORDS[COMP_CWORD]}" \
        "${COMP_WORDS[COMP_CWORD - 1]}"
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ')
    if [[ $got == "$expected" ]]; then
        echo "ok: '$line' -> $got"
    else
        echo "FAIL: '$line' -> '$got', expected '$expected'"
        fail=1
    fi
done <<'TABLE'
w|write
con|convert
--pace |reply tick
--pace=|reply tick
write --pace t|tick
read |board.hex dir formats image.BIN main.o notes notes.md
--port /dev/nul|/dev/null
--port /dev/null verify b|board.hex
convert board.hex |board.hex dir formats image.BIN main.o notes notes.md
read n|notes notes.md
write notes.|notes.md
verify formats/|formats/a.bin formats/a.eep formats/a.hex formats/a.ihex formats/a.mot formats/a.o formats/a.s19 formats/a.s28 formats/a.s37 formats/a.srec formats/a.txt
read board.hex --v|--verify --version
fill |--help --pace --port --quiet --verify --version -h -q
read -- |board.hex dir formats image.BIN main.o notes notes.md
ports -- |
rep|report
program |board.hex dir formats image.BIN main.o notes notes.md
program board.hex --on-fail=|reuse void
program board.hex --serial 0x0010:u3|u32be u32le
program board.hex --serial 0x0010:dec:|
program board.hex --crc 0x001C:|crc16: crc32:
program board.hex --serial-start |
program board.hex --serial-start 1 --serials n|notes notes.md
program board.hex --serial 16:u8 --k|--keep-existing
report --|--csv --db --help --quiet --version
report --csv n|notes notes.md
fill --s|
TABLE
exit $fail
