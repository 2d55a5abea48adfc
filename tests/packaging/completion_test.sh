#!/bin/bash
# Usage: completion_test.sh COMPLETION_FILE [BASH_COMPLETION]
# Completes each line of the table below as bash would on <TAB> at its end, with the function the
# file registers for the line's program, in a folder holding board.hex, image.BIN, main.o, notes,
# notes.md, dir/ with a recipe and a text file, and an image of each format, and compares the
# sorted candidates.
completion=$1
framework=${2:-/usr/share/bash-completion/bash_completion}
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=/dev/null
source "$completion" || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir dir formats && touch board.hex image.BIN main.o notes notes.md || exit 1
touch dir/line.json dir/line.txt || exit 1
touch formats/a.{bin,hex,ihex,eep,srec,s19,s28,s37,mot,txt,o} || exit 1

fail=0
while IFS='|' read -r line expected; do
    COMP_LINE=$line
    program=${line%% *}
    function=$(complete -p "$program" 2>/dev/null | sed -n 's/.*-F \([^ ]*\).*/\1/p')
    [[ $function ]] || { echo "FAIL: no completion for $program"; fail=1; continue; }
    COMP_POINT=${#COMP_LINE}
    # The words bash gives: split at blanks, "=" a word of its own, an empty one after a blank.
    read -ra COMP_WORDS <<<"${COMP_LINE//=/ = }"
    [[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    "$function" "$program" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ')
    if [[ $got == "$expected" ]]; then
        echo "ok: '$line' -> $got"
    else
        echo "FAIL: '$line' -> '$got', expected '$expected'"
        fail=1
    fi
done <<'TABLE'
tessimor-eeprom-cli w|write
tessimor-eeprom-cli con|convert
tessimor-eeprom-cli --pace |reply tick
tessimor-eeprom-cli --pace=|reply tick
tessimor-eeprom-cli write --pace t|tick
tessimor-eeprom-cli read |board.hex dir formats image.BIN main.o notes notes.md
tessimor-eeprom-cli --port /dev/nul|/dev/null
tessimor-eeprom-cli --port /dev/null verify b|board.hex
tessimor-eeprom-cli convert board.hex |board.hex dir formats image.BIN main.o notes notes.md
tessimor-eeprom-cli read n|notes notes.md
tessimor-eeprom-cli write notes.|notes.md
tessimor-eeprom-cli verify formats/|formats/a.bin formats/a.eep formats/a.hex formats/a.ihex formats/a.mot formats/a.o formats/a.s19 formats/a.s28 formats/a.s37 formats/a.srec formats/a.txt
tessimor-eeprom-cli read board.hex --v|--verify --version
tessimor-eeprom-cli fill |--help --pace --port --quiet --verify --version -h -q
tessimor-eeprom-cli read -- |board.hex dir formats image.BIN main.o notes notes.md
tessimor-eeprom-cli ports -- |
tessimor-eeprom-cli rep|report
tessimor-eeprom-cli program |board.hex dir formats image.BIN main.o notes notes.md
tessimor-eeprom-cli program board.hex --on-fail=|reuse void
tessimor-eeprom-cli program board.hex --serial 0x0010:u3|u32be u32le
tessimor-eeprom-cli program board.hex --serial 0x0010:dec:|
tessimor-eeprom-cli program board.hex --crc 0x001C:|crc16: crc32:
tessimor-eeprom-cli program board.hex --serial-start |
tessimor-eeprom-cli program board.hex --serial-start 1 --serials n|notes notes.md
tessimor-eeprom-cli program board.hex --serial 16:u8 --k|--keep-existing
tessimor-eeprom-cli report --|--csv --db --help --quiet --version
tessimor-eeprom-cli report --csv n|notes notes.md
tessimor-eeprom-cli fill --s|
tessimor-eeprom-cli program --rec|--recipe
tessimor-eeprom-cli program --recipe |dir formats
tessimor-eeprom-cli program --recipe dir/|dir/line.json
tessimor-eeprom-cli program --recipe=dir/|dir/line.json
tessimor-eeprom-cli program --recipe dir/line.json b|board.hex
tessimor-eeprom-cli program board.hex --save-recipe dir/|dir/line.json dir/line.txt
tessimor-eeprom-cli program board.hex --save-recipe dir/line.json --sa|--save-recipe
tessimor-eeprom-cli program board.hex --st|--station
tessimor-eeprom-cli program board.hex --station |
tessimor-eeprom-cli d|db
tessimor-eeprom-cli db |init recover
tessimor-eeprom-cli --quiet db r|recover
tessimor-eeprom-cli db init n|notes notes.md
tessimor-eeprom-cli db init notes --|--help --quiet --version
tessimor-eeprom-cli db init notes |--help --quiet --version -h -q
tessimor-eeprom-cli db recover --station bench-1 n|notes notes.md
tessimor-eeprom-cli db recover notes --|--help --quiet --station --version
tessimor-eeprom-station |--auto --help --port --recipe --station --version -h
tessimor-eeprom-station --st|--station
tessimor-eeprom-station --station |
tessimor-eeprom-station --a|--auto
tessimor-eeprom-station --recipe |dir formats
tessimor-eeprom-station --recipe=dir/|dir/line.json
tessimor-eeprom-station --auto --recipe dir/|dir/line.json
tessimor-eeprom-station --port /dev/nul|/dev/null
tessimor-eeprom-station --port /dev/null |--auto --help --port --recipe --station --version -h
TABLE
exit $fail
