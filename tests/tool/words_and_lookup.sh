#!/bin/sh
# What only whole runs of kora show for word lists, saved networks and lookups (each command's
# failures are in bad_inputs.sh). The table runs a command and compares its standard output with
# a printf text or, after "@", a file. Then: input read in blocks, --flush answering each line
# before the next is read, -j N writing what one thread writes (messages and exit status
# included), and --max-results and --memory-limit cutting a lookup short with a note.
set -eu
cd "$TMPDIR"
printf 'c a t +Noun\nc a t 0\n\nc a t +Noun +Pl\nc a t s 0\n\nd o g +Noun\nd o g 0\n\n' > nouns.txt
"$KORA" words --spaced -o nouns.fst nouns.txt > /dev/null
"$KORA" words -o fruits.fst "$EXAMPLES/fruits.txt" > /dev/null
"$KORA" words --print "$EXAMPLES/fruits.txt" > fruits.listing
LC_ALL=C sort -u "$EXAMPLES/fruits.txt" | grep -v '^$' > fruits.sorted
printf 'cat+Noun+Pl\ndog\n\ncat+Noun\n' > input.txt
failures=0
while read -r line; do
  command=${line%|*} expected=${line##*|}
  sh -c "$command" > got 2> err || { echo "failed: $command"; cat err; failures=$((failures + 1)); continue; }
  case "$expected" in
    @*) cmp -s "${expected#@}" got ;;
    *) printf "$expected" | cmp -s - got ;;
  esac || { echo "$command wrote:"; cat got; failures=$((failures + 1)); }
done <<'TABLE'
"$KORA" print fruits.fst|@fruits.listing
"$KORA" info fruits.fst | sed -n -e '/^Type/p' -e '/^Networks/p' -e 's/^1: .* \([0-9]* states\)/1: \1/p'|Type: 19\nNetworks: 1 (1 loaded)\n1: 46 states, 57 arcs, 24 paths.\n
"$KORA" text --words "$EXAMPLES/fruits.txt"|@fruits.sorted
"$KORA" text fruits.fst|@fruits.sorted
"$KORA" generate --spaced nouns.txt input.txt|cat+Noun+Pl\tcats\n\ndog\tdog\t+?\n\n\t\t+?\n\ncat+Noun\tcat\n\n
printf 'cats\r\n' | "$KORA" lookup --flush nouns.fst|cats\tcat+Noun+Pl\n\n
"$KORA" lookup --help | grep -o -e 'input<TAB>input<TAB>+?' -e '-j N looks up'|input<TAB>input<TAB>+?\n-j N looks up\n
TABLE
[ "$failures" -eq 0 ]
grep -q '^Flags: deterministic, pruned, minimized' fruits.listing

# Input is read in blocks: a line longer than a block, a line cut short by a NUL byte, CR LF
# line ends and a last line without a line end are answered exactly, once each.
awk 'BEGIN { for (i = 0; i < 100000; i++) printf "x"; print "" }' > long.txt
{ printf 'cats\r\n'; cat long.txt; printf 'ca\000ts\n\r\ncats'; } > blocks.txt
{ printf 'cats\tcat+Noun+Pl\n\n'; long=$(cat long.txt); printf '%s\t%s\t+?\n\n' "$long" "$long"
  printf 'ca\tca\t+?\n\n\t\t+?\n\ncats\tcat+Noun+Pl\n\n'; } > blocks.expected
"$KORA" lookup -j 1 nouns.fst blocks.txt | cmp - blocks.expected
"$KORA" lookup -j 2 nouns.fst < blocks.txt | cmp - blocks.expected

# With --flush, a dialogue through two pipes: the next line is written only after the answer to
# the last one has been read.
mkfifo to-kora from-kora
timeout 20 sh -c '
  "$KORA" lookup --flush nouns.fst < to-kora > from-kora &
  exec 3> to-kora 4< from-kora
  for word in cats cat dogs; do
    echo "$word" >&3
    IFS= read -r answer <&4
    IFS= read -r empty <&4
    echo "$answer|$empty"
  done
  exec 3>&-
  wait
' > dialogue.txt
printf 'cats\tcat+Noun+Pl|\ncat\tcat+Noun|\ndogs\tdogs\t+?|\n' | cmp - dialogue.txt

# -j N over a few thousand lines with analyses, unknown words, empty lines, CR LF, a line of bad
# UTF-8 (its message in the same place, exit status 1) and a line longer than a batch of bytes.
awk 'BEGIN {
  for (i = 0; i < 4000; i++) {
    k = i % 7
    if (k == 0) print "cat+Noun+Pl"; else if (k == 1) print "word" i; else if (k == 2) print ""
    else if (k == 3) printf "dog+Noun\r\n"; else if (k == 4) print "caf\303\251"
    else if (k == 5) print "cat+Noun"; else print "\377d" i
  }
  for (i = 0; i < 150000; i++) printf "cat+Noun"
  print ""
  printf "cats"
}' > many.txt
for j in 1 3; do
  status=0
  "$KORA" generate -j $j nouns.fst many.txt > many$j.txt 2> many$j.err || status=$?
  test $status -eq 1
done
cmp many1.txt many3.txt
cmp many1.err many3.err
grep -q "$(printf '^word1\tword1\t+?$')" many3.txt
test "$(grep -c 'Cannot parse a symbol starting with 0xFF' many3.err)" -eq 571
test "$(wc -l < many3.txt)" -eq 8004
"$KORA" generate --spaced nouns.txt < many.txt 2> /dev/null | cmp - many1.txt
grep -v '+?$' many1.txt | cut -f2 | grep . > surface.txt
"$KORA" lookup -j1 nouns.fst < surface.txt > gen1.txt
"$KORA" lookup -j 2 nouns.fst < surface.txt | cmp - gen1.txt
grep -q "$(printf '^cats\tcat+Noun+Pl$')" gen1.txt

# More results than --max-results: the first ones and a note, in the same place with N threads,
# and status 1; 0 lifts the limit. Each way to insert "^" is a result. Past --memory-limit, a
# lookup reports the error and answers +?; the inputs around it are answered.
"$KORA" regex -o del.fst '%^ -> 0' > /dev/null
printf 'b\naaaaaaaaaaaaaa\naaa\n' > cut.txt
printf 'b\naaaaaaaaaaaaaaaaaa\nc\n' > huge.txt
for j in 1 2; do
  status=0
  "$KORA" lookup -j $j --max-results 100 del.fst cut.txt > cut$j.txt 2> cut$j.err || status=$?
  test $status -eq 1
  status=0
  "$KORA" lookup -j $j --memory-limit 2M del.fst huge.txt > huge$j.txt 2> huge$j.err || status=$?
  test $status -eq 1
done
cmp cut1.txt cut2.txt
cmp cut1.err cut2.err
cmp huge1.txt huge2.txt
cmp huge1.err huge2.err
test "$(wc -l < cut1.txt)" -eq $((4 + 1 + 100 + 1 + 16 + 1))
echo "kora: 'aaaaaaaaaaaaaa' has more than 100 results; only the first 100 are written (see --max-results)" |
  cmp - cut1.err
test "$(echo aaaaaaaaaaaaaaa | "$KORA" lookup --max-results 0 del.fst | wc -l)" -eq 65537
grep -q 'Memory limit exceeded: APPLY_TO_STRING (limit 2097152 bytes)' huge2.err
grep -qx "$(printf 'aaaaaaaaaaaaaaaaaa\taaaaaaaaaaaaaaaaaa\t+?')" huge2.txt
test "$(grep -c "$(printf '^[bc]\t')" huge2.txt)" -eq 8
if "$KORA" lookup -j 0 nouns.fst < /dev/null 2> /dev/null; then exit 1; fi
# The versions of the program and the library; --help is the usage, on standard output.
"$KORA" --version | head -1 | grep -qx 'kora [0-9][0-9.]*'
"$KORA" version > version.txt
"$KORA" --version | cmp - version.txt
"$KORA" --help | grep -q '^  kora lookup '
