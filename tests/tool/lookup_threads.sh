#!/bin/sh
# kora lookup -j N writes exactly what one thread writes, in input order: over a few thousand
# lines with analyses, unknown words (+?), empty lines, CR LF line ends, a line of bad UTF-8
# (its message on standard error in the same place, and exit status 1) and a line longer than a
# batch of bytes.
set -eu
printf 'c a t +Noun\nc a t 0\n\nc a t +Noun +Pl\nc a t s 0\n\nd o g +Noun\nd o g 0\n\n' > "$TMPDIR/nouns.txt"
"$KORA" words --spaced -o "$TMPDIR/nouns.fst" "$TMPDIR/nouns.txt" > /dev/null
awk 'BEGIN {
  for (i = 0; i < 4000; i++) {
    k = i % 7
    if (k == 0) print "cat+Noun+Pl"
    else if (k == 1) print "word" i
    else if (k == 2) print ""
    else if (k == 3) printf "dog+Noun\r\n"
    else if (k == 4) print "caf\303\251"
    else if (k == 5) print "cat+Noun"
    else print "\377d" i
  }
  for (i = 0; i < 150000; i++) printf "cat+Noun"
  print ""
  printf "cats"
}' > "$TMPDIR/input.txt"
status=0
"$KORA" lookup -j 1 "$TMPDIR/nouns.fst" "$TMPDIR/input.txt" > "$TMPDIR/one.txt" 2> "$TMPDIR/one.err" || status=$?
test $status -eq 1 && status=0
"$KORA" lookup -j 3 "$TMPDIR/nouns.fst" "$TMPDIR/input.txt" > "$TMPDIR/three.txt" 2> "$TMPDIR/three.err" || status=$?
test $status -eq 1
cmp "$TMPDIR/one.txt" "$TMPDIR/three.txt"
cmp "$TMPDIR/one.err" "$TMPDIR/three.err"
# The output is the lookup tools' convention, not empty: spot checks.
grep -q "$(printf '^cat+Noun+Pl\tcats$')" "$TMPDIR/three.txt"
grep -q "$(printf '^word1\tword1\t+?$')" "$TMPDIR/three.txt"
grep -q "$(printf '^dog+Noun\tdog$')" "$TMPDIR/three.txt"
test "$(grep -c 'Cannot parse a symbol starting with 0xFF' "$TMPDIR/three.err")" -eq 571
test "$(wc -l < "$TMPDIR/three.txt")" -eq 8004
# Generation from a pipe, and the default number of threads.
"$KORA" lookup --spaced "$TMPDIR/nouns.txt" < "$TMPDIR/input.txt" > "$TMPDIR/default.txt" 2> /dev/null || true
cmp "$TMPDIR/one.txt" "$TMPDIR/default.txt"
grep -v '+?$' "$TMPDIR/one.txt" | cut -f2 | grep . > "$TMPDIR/surface.txt"
"$KORA" generate -j1 "$TMPDIR/nouns.fst" < "$TMPDIR/surface.txt" > "$TMPDIR/gen1.txt"
"$KORA" generate -j 2 "$TMPDIR/nouns.fst" < "$TMPDIR/surface.txt" > "$TMPDIR/gen2.txt"
cmp "$TMPDIR/gen1.txt" "$TMPDIR/gen2.txt"
grep -q "$(printf '^cats\tcat+Noun+Pl$')" "$TMPDIR/gen2.txt"
# -j is documented and checked.
"$KORA" lookup --help | grep -q -- '-j N'
if "$KORA" lookup -j 0 "$TMPDIR/nouns.fst" < /dev/null 2>/dev/null; then exit 1; fi
if "$KORA" lookup -j "$TMPDIR/nouns.fst" < /dev/null 2>/dev/null; then exit 1; fi
# An input with more results than --max-results gets the first ones and a note, in the same
# place with N threads, and the status is 1; 0 lifts the limit. Each way to insert "^" is a result.
"$KORA" regex -o "$TMPDIR/del.fst" '%^ -> 0' > /dev/null
printf 'b\naaaaaaaaaaaaaa\naaa\n' > "$TMPDIR/many.txt"
for j in 1 2; do
  status=0
  "$KORA" generate -j $j --max-results 100 "$TMPDIR/del.fst" "$TMPDIR/many.txt" \
    > "$TMPDIR/cut$j.txt" 2> "$TMPDIR/cut$j.err" || status=$?
  test $status -eq 1
done
cmp "$TMPDIR/cut1.txt" "$TMPDIR/cut2.txt"
cmp "$TMPDIR/cut1.err" "$TMPDIR/cut2.err"
test "$(wc -l < "$TMPDIR/cut1.txt")" -eq $((4 + 1 + 100 + 1 + 16 + 1))
echo "kora: 'aaaaaaaaaaaaaa' has more than 100 results; only the first 100 are written (see --max-results)" |
  cmp - "$TMPDIR/cut1.err"
test "$(echo aaaaaaaaaaaaaaa | "$KORA" generate --max-results 0 "$TMPDIR/del.fst" | wc -l)" -eq 65537
# Past the memory limit, a lookup reports the error and answers +?; the other inputs, before
# and after it, are answered, the same with N threads.
printf 'b\naaaaaaaaaaaaaaaaaa\nc\n' > "$TMPDIR/huge.txt"
for j in 1 2; do
  status=0
  "$KORA" generate -j $j --memory-limit 2M "$TMPDIR/del.fst" "$TMPDIR/huge.txt" \
    > "$TMPDIR/limit$j.txt" 2> "$TMPDIR/limit$j.err" || status=$?
  test $status -eq 1
done
cmp "$TMPDIR/limit1.txt" "$TMPDIR/limit2.txt"
cmp "$TMPDIR/limit1.err" "$TMPDIR/limit2.err"
grep -q 'Memory limit exceeded: APPLY_TO_STRING (limit 2097152 bytes)' "$TMPDIR/limit2.err"
grep -qx "$(printf 'aaaaaaaaaaaaaaaaaa\taaaaaaaaaaaaaaaaaa\t+?')" "$TMPDIR/limit2.txt"
test "$(grep -c "$(printf '^[bc]\t')" "$TMPDIR/limit2.txt")" -eq 8
