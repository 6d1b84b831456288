#!/bin/sh
# Writes the seed corpus of one fuzz target (detector, engine or config) into a folder:
# small typical files, built here so that no binary blobs live in the repository.
#   make_seeds.sh FOLDER TARGET
set -eu
out=$1
target=$2
mkdir -p "$out"

# bytes HEX... : the bytes, on standard output (one printf of octal escapes, no forks).
bytes() {
    format=""
    for h in "$@"; do
        n=$((0x$h))
        format="$format\\$((n / 64))$((n / 8 % 8))$((n % 8))"
    done
    printf "$format"
}

seed() {  # seed NAME HEX...
    name=$1
    shift
    bytes "$@" >"$out/$name"
}

# Short texts in each input code (Jis ShiftJis EucJp Unicode Plain Utf8): kana, kanji,
# half-width katakana with sound marks, a user-defined character, line ends.
text0="1B 24 42 24 22 30 21 1B 28 42 0D 0A 1B 28 49 36 5E 1B 28 42 41 0D 0A 1B 24 40 7F 21 1B 28 42"
text1="82 A0 8C EA 0D 0A B6 DE CA DF 41 0D 0D 0A F0 40 0A 1A 09"
text2="A4 A2 B8 EC 0D 0A 8E B6 8E DE 41 0D 0D 0A FE FE 0A"
text3="FF FE 42 30 0D 00 0A 00 76 FF 9E FF 41 00 0D 00"
text4="41 42 0D 0A 0D 43 0A 0A 1A 09"
text5="EF BB BF E3 81 82 E6 BC A2 0D 0A EF BD B6 EF BE 9E 41 0D 0D 0A EE 80 80 0A"

case $target in
detector)
    # Byte 0: filler flag and shortfall; byte 1: poll that clears the flag.
    seed empty 00 00
    seed bom 00 00 FF FE 41 00
    seed ascii 00 00 41 42 0D 0A 09 43
    seed sjis 00 00 $text1
    seed euc 00 00 $text2
    seed jis 00 00 $text0
    seed ambiguous 00 00 A4 A2 A4 A4
    seed euc-decided 00 00 A5 C6 A5 AD B8 EC 0D 0A
    seed kana-ss2 00 00 8E B1
    seed escape-after-pair 00 00 A4 A2 1B
    seed straddle 03 00 82 A0
    seed stopped 00 03 41 42 43 82 A0
    ;;
engine)
    # Byte 0: input | output << 3 | newline << 6; byte 1: widen, filler; byte 2: stop.
    for from in 0 1 2 3 4 5; do
        eval "text=\$text$from"
        for to in 0 1 2 3 4 5; do
            seed "c$from$to-keep" "$(printf '%02X' $((from | to << 3 | 3 << 6)))" 00 00 $text
            seed "c$from$to-crlf-widen" "$(printf '%02X' $((from | to << 3)))" 01 00 $text
        done
        seed "c$from-straddle" "$(printf '%02X' $((from | 1 << 3 | 3 << 6)))" 0A 00 $text
        seed "c$from-stop" "$(printf '%02X' $((from | 2 << 3 | 2 << 6)))" 00 04 $text
    done
    ;;
config)
    # record KIND ID LENGTH DATA...: one tagged record (ids and lengths below 256).
    record() {
        kind=$1 id=$2 length=$3
        shift 3
        printf '%02X %02X 00 %02X 00 00 00 %s ' "$kind" "$id" "$length" "$*"
    }
    defaults=""
    for id in 1 2 3 4 5 6 7 8 9 10; do defaults="$defaults $(record 0 $id 1 01)"; done
    defaults="$defaults $(record 1 11 3 5A 5F 00) $(record 1 12 1 00)"
    defaults="$defaults $(record 2 13 9 74 78 74 00 63 70 70 00 00)"
    seed defaults $defaults
    seed out-of-range $(record 0 1 1 09) $(record 0 8 1 00) $(record 0 2 1 FF)
    seed folder $(record 1 12 8 43 3A 5C 95 5C 5C 61 00)
    seed empty-list $(record 2 13 3 00 00 00)
    seed truncated $(record 0 1 1 02) 01 02
    seed empty
    ;;
*)
    echo "make_seeds.sh: unknown target $target" >&2
    exit 2
    ;;
esac
