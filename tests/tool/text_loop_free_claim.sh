#!/bin/sh
# A saved cyclic network whose flag word claims it loop-free (the loop-free bit, 0x20, set in the
# low byte of the flag word 82 1b of `%^ -> 0`) made kora text write without end. The claim is
# dropped on loading: kora text refuses the network as circular, writes nothing and fails.
set -eu
"$KORA" regex -o "$TMPDIR/del.fst" '%^ -> 0' > /dev/null
offset=$(od -An -v -tx1 -w1 "$TMPDIR/del.fst" |
  awk 'previous == "82" && $1 == "1b" { print NR - 1; exit } { previous = $1 }')
[ -n "$offset" ]
printf '\073' | dd of="$TMPDIR/del.fst" bs=1 seek="$offset" conv=notrunc 2> /dev/null
status=0
timeout 60 "$KORA" text "$TMPDIR/del.fst" > "$TMPDIR/out.txt" 2> "$TMPDIR/err.txt" || status=$?
[ "$status" -eq 1 ]
[ ! -s "$TMPDIR/out.txt" ]
grep -q 'A circular net cannot be written in text format.' "$TMPDIR/err.txt"
