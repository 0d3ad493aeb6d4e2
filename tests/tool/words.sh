#!/bin/sh
# kora words prints the minimal network of a word list; a missing file is an error.
set -eu
out=$("$KORA" words "$EXAMPLES/fruits.txt")
printf '%s\n' "$out" | grep -q '^Flags: deterministic, pruned, minimized'
if "$KORA" words "$TMPDIR/no-such-file" 2>/dev/null; then exit 1; fi
