#!/bin/sh
# kora suggest as a whole run: suggestions best first with their distances, the limit, swaps, an
# error model, a transducer's analyses, "+?" for none, -j N writing what one thread writes, and
# (usage errors and unreadable files: bad_inputs.sh).
set -eu
cd "$TMPDIR"
"$KORA" words -o fruits.fst "$EXAMPLES/fruits.txt" > /dev/null
"$KORA" regex -o model.fst '[? | a:e | e:a]*' > /dev/null
"$KORA" regex -o nouns.fst '{lemon} %+N:0 | {melon} %+N:0 | {lime} %+N:0' > /dev/null
printf 'lemon\nlemno\nxyzzy\nmelan\n' > input.txt
failures=0
while read -r line; do
  command=${line%|*} expected=${line##*|}
  sh -c "$command" > got 2> err || { echo "failed: $command"; cat err; failures=$((failures + 1)); continue; }
  printf "$expected" | cmp -s - got || { echo "$command wrote:"; cat got; failures=$((failures + 1)); }
done <<'TABLE'
"$KORA" suggest fruits.fst input.txt|lemon\tlemon\t0\nlemon\tlemons\t1\nlemon\tmelon\t2\nlemno\tlemon\t2\nlemno\tlemons\t2\nxyzzy\txyzzy\t+?\nmelan\tmelon\t1\nmelan\tmelons\t2\n
"$KORA" suggest --limit 1 --transpositions fruits.fst input.txt|lemon\tlemon\t0\nlemno\tlemon\t1\nxyzzy\txyzzy\t+?\nmelan\tmelon\t1\n
printf 'lime\n' | "$KORA" suggest --max-edits 1 --limit 0 --words "$EXAMPLES/fruits.txt"|lime\tlime\t0\nlime\tlimes\t1\n
printf 'malon\nlamon\nlimon\n' | "$KORA" suggest --errors model.fst fruits.fst|malon\tmelon\t1\nlamon\tlemon\t1\nlimon\tlimon\t+?\n
printf 'lemen\nlmon\n' | "$KORA" suggest --max-edits 1 nouns.fst|lemen\tlemon+N\t1\nlmon\tlemon+N\t1\n
TABLE
[ "$failures" -eq 0 ]

# -j N writes what one thread writes.
awk 'BEGIN { srand(7); for (i = 0; i < 3000; i++) { w = ""; n = 3 + int(rand() * 5);
  for (j = 0; j < n; j++) w = w substr("aeilmnoprs", 1 + int(rand() * 10), 1); print w } }' > many.txt
"$KORA" suggest -j 1 --limit 0 fruits.fst many.txt > one.out
"$KORA" suggest -j 3 --limit 0 fruits.fst many.txt > three.out
cmp one.out three.out
[ "$(cut -f 1 one.out | uniq | wc -l)" -ge 3000 ]
