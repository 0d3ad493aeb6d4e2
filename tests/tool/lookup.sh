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
