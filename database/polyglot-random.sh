#!/bin/sh
# Writes PolyglotRandom.inc from the Polyglot book document of Debian's
# polyglot package: its table of 781 random numbers, in its order.
set -eu
doc=${1:-/usr/share/doc/polyglot/book_format.html}
here=$(dirname "$0")
{
  echo "// The 781 random numbers of the Polyglot book key, in the document's order:"
  echo "// 768 pieces (64 * kind + 8 * row + file), 4 castling rights, 8 files of a"
  echo "// capture in passing, 1 turn. Generated from Debian's polyglot package,"
  echo "// /usr/share/doc/polyglot/book_format.html, by database/polyglot-random.sh."
  grep -o 'U64(0x[0-9A-F]*)' "$doc" | sed 's/U64(\(0x[0-9A-F]*\))/\1,/' | paste -d' ' - - - -
} > "$here/PolyglotRandom.inc"
count=$(grep -o '0x' "$here/PolyglotRandom.inc" | wc -l)
[ "$count" -eq 781 ] || { echo "expected 781 numbers, found $count" >&2; exit 1; }
