#!/bin/sh
# kora lookup and generate answer line by line in the lookup tools' convention, from a file or a
# pipe, over spaced text or a saved network; --help documents the command.
set -eu
printf 'c a t +Noun\nc a t 0\n\nc a t +Noun +Pl\nc a t s 0\n\n' > "$TMPDIR/nouns.txt"
printf 'cat+Noun+Pl\ndog\n\ncat+Noun\n' > "$TMPDIR/input.txt"
"$KORA" lookup --spaced "$TMPDIR/nouns.txt" "$TMPDIR/input.txt" > "$TMPDIR/out.txt"
printf 'cat+Noun+Pl\tcats\n\ndog\tdog\t+?\n\n\t\t+?\n\ncat+Noun\tcat\n\n' | cmp - "$TMPDIR/out.txt"
# Generation reads the lower side, from a pipe, over the saved network.
"$KORA" words --spaced -o "$TMPDIR/nouns.fst" "$TMPDIR/nouns.txt" > /dev/null
test "$(printf 'cats\r\n' | "$KORA" generate --flush "$TMPDIR/nouns.fst")" = "$(printf 'cats\tcat+Noun+Pl')"
"$KORA" lookup --help | grep -q 'input<TAB>input<TAB>+?'
if "$KORA" lookup "$TMPDIR/nouns.txt" < /dev/null 2>/dev/null; then exit 1; fi
if "$KORA" lookup --spaced "$TMPDIR/nouns.txt" "$TMPDIR/no-such-input" 2>/dev/null; then exit 1; fi
# The input is read in blocks: a line longer than a block, a line cut short by a NUL byte, CR LF
# line ends and a last line without a line end are answered exactly, once each.
awk 'BEGIN { for (i = 0; i < 100000; i++) printf "x"; print "" }' > "$TMPDIR/long.txt"
{ printf 'cats\r\n'; cat "$TMPDIR/long.txt"; printf 'ca\000ts\n\r\ncats'; } > "$TMPDIR/blocks.txt"
{ printf 'cats\tcat+Noun+Pl\n\n'; long=$(cat "$TMPDIR/long.txt"); printf '%s\t%s\t+?\n\n' "$long" "$long"
  printf 'ca\tca\t+?\n\n\t\t+?\n\ncats\tcat+Noun+Pl\n\n'; } > "$TMPDIR/blocks.expected"
"$KORA" generate -j 1 "$TMPDIR/nouns.fst" "$TMPDIR/blocks.txt" | cmp - "$TMPDIR/blocks.expected"
"$KORA" generate -j 2 "$TMPDIR/nouns.fst" < "$TMPDIR/blocks.txt" | cmp - "$TMPDIR/blocks.expected"
# With --flush the tool answers each line before it reads the next: a dialogue through two
# pipes, where the next line is written only after the answer to the last one has been read.
rm -f "$TMPDIR/to-kora" "$TMPDIR/from-kora"
mkfifo "$TMPDIR/to-kora" "$TMPDIR/from-kora"
timeout 20 sh -c '
  "$1" generate --flush "$2/nouns.fst" < "$2/to-kora" > "$2/from-kora" &
  exec 3> "$2/to-kora" 4< "$2/from-kora"
  for word in cats cat dogs; do
    echo "$word" >&3
    IFS= read -r answer <&4
    IFS= read -r empty <&4
    echo "$answer|$empty"
  done
  exec 3>&-
  wait
' sh "$KORA" "$TMPDIR" > "$TMPDIR/dialogue.txt"
printf 'cats\tcat+Noun+Pl|\ncat\tcat+Noun|\ndogs\tdogs\t+?|\n' | cmp - "$TMPDIR/dialogue.txt"
