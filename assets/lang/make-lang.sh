#!/usr/bin/env bash
# Writes the language text files <Name>.txt beside this script from their
# UTF-8 sources in src/: UTF-16LE without byte-order mark, CR LF line ends,
# the title, a comment line, then key and text lines, closed by END OF FILE.
#
# Source format: one "key<TAB>text" per line; "@title" and "@comment" give
# the first two lines; blank lines and lines starting with # are skipped.
# Keys are written as the program asks for them, without the "$".
#
# Usage: make-lang.sh           regenerate
#        make-lang.sh --check   only compare; fails when a file is stale
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
check=0
[ "${1:-}" = --check ] && check=1
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Source -> the lines of the file (UTF-8, LF) on stdout, and the sorted
# matching forms of its keys into $2. Refuses what the program would misread:
# an empty text (blank lines do not count, so the pairs would shift), two keys
# that match alike (blanks and case do not count), a key longer than 59
# characters (it never matches), a line reading END OF FILE.
convert_source() {
    local src=$1 keys=$2
    LC_ALL=C awk -F '\t' -v keys="$keys" -v src="$src" '
        function fail(msg) { printf "%s:%d: %s\n", src, NR, msg > "/dev/stderr"; bad = 1 }
        /^[ \t\r]*$/ || /^#/ { next }
        {
            sub(/\r$/, "")
            key = $1; text = substr($0, length($1) + 2)
            if (index($0, "\t") == 0) { fail("no tab between key and text"); next }
            if (text ~ /^[ \t]*$/) { fail("empty text for " key); next }
            if (toupper(text) == "END OF FILE") { fail("a text may not read END OF FILE"); next }
            if (key == "@title") { title = text; next }
            if (key == "@comment") { comment = text; next }
            if (key !~ /^[A-Za-z0-9_.-]+$/) { fail("key \"" key "\": letters, digits, _ . - only"); next }
            norm = tolower(key)
            if (length(norm) > 59) { fail("key " key " is longer than 59 characters"); next }
            if (norm in seen) { fail("key " key " matches the same texts as line " seen[norm]); next }
            seen[norm] = NR
            n++; k[n] = key; t[n] = text
        }
        END {
            if (title == "" || comment == "") { print src ": @title and @comment are required" > "/dev/stderr"; bad = 1 }
            if (bad) exit 1
            print title; print comment
            for (i = 1; i <= n; i++) { print k[i]; print t[i]; print tolower(k[i]) | ("sort > " keys) }
            print "END OF FILE"
        }' "$src"
}

status=0
for src in "$here"/src/*.txt; do
    name="$(basename "$src")"
    convert_source "$src" "$work/$name.keys" >"$work/$name.lines"
    sed 's/$/\r/' "$work/$name.lines" | iconv -f UTF-8 -t UTF-16LE >"$work/$name"
    if ((check)); then
        cmp -s "$work/$name" "$here/$name" || { echo "make-lang: $name is stale (run make-lang.sh)" >&2; status=1; }
    else
        cp "$work/$name" "$here/$name"
    fi
done

# Every language answers the keys that English answers, and no others.
for keys in "$work"/*.keys; do
    [ "$keys" = "$work/English.txt.keys" ] && continue
    if ! diff -q "$work/English.txt.keys" "$keys" >/dev/null; then
        echo "make-lang: $(basename "$keys" .keys) and English.txt differ in keys (< missing, > not in English):" >&2
        diff "$work/English.txt.keys" "$keys" | grep '^[<>]' >&2 || true
        status=1
    fi
done
# Every text keeps the placeholders (%1, %2) of its English text.
placeholders() {
    LC_ALL=C awk 'NR > 2 && NR % 2 == 1 { key = tolower($0); next }
                  NR > 2 { s = ""; for (d = 1; d <= 9; d++) { c = gsub("%" d, "", $0); if (c) s = s " %" d "x" c }
                           print key "\t" s }' "$1" | sort
}
placeholders "$work/English.txt.lines" >"$work/English.placeholders"
for lines in "$work"/*.lines; do
    [ "$lines" = "$work/English.txt.lines" ] && continue
    if ! placeholders "$lines" | diff -q "$work/English.placeholders" - >/dev/null; then
        echo "make-lang: $(basename "$lines" .lines) and English.txt differ in placeholders:" >&2
        placeholders "$lines" | diff "$work/English.placeholders" - | grep '^[<>]' >&2 || true
        status=1
    fi
done
exit $status
