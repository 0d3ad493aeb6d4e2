#!/bin/sh
# kora patterns as a process: markup, --delete, --extract and --count of a file and of the
# standard input, the side found from the closing tags (or given), UTF-8 and ISO-8859-1 text,
# -j N writing byte for byte what one thread writes (over blocks of lines, a line longer than a
# block and a last line without its line end included), and the failures.
set -eu
cd "$TMPDIR"
"$KORA" regex -o pat.fst '[{cat} EndTag(animal)] | [{dog} EndTag(animal)] | [{ca} EndTag(short)]
  | [{rød} EndTag(colour)]' > /dev/null
printf 'a cat and a dog\ncar rød\nno match\ncat' > text.txt
printf 'a <animal>cat</animal> and a <animal>dog</animal>\n<short>ca</short>r <colour>rød</colour>\nno match\n<animal>cat</animal>' > marked.txt
printf 'a  and a \nr \nno match\n' > deleted.txt
printf '<animal>cat</animal>\n<animal>dog</animal>\n<short>ca</short>\n<colour>rød</colour>\n<animal>cat</animal>\n' > extracted.txt
printf 'Pattern \t# of matches\n----------------------------\n<animal>\t      3\n<short> \t      1\n<colour>\t      1\n----------------------------\n\tTotal:\t      5\n' > counts.txt
for jobs in 1 2 3; do
  "$KORA" patterns -j $jobs pat.fst text.txt | cmp - marked.txt
  "$KORA" patterns -j $jobs pat.fst < text.txt | cmp - marked.txt
  "$KORA" patterns -j $jobs --delete pat.fst text.txt | cmp - deleted.txt
  "$KORA" patterns -j $jobs --extract pat.fst text.txt | cmp - extracted.txt
  "$KORA" patterns -j $jobs --count pat.fst text.txt | cmp - counts.txt
done

# The network read the other way round: the tags on the lower side, read down (found, or given).
"$KORA" regex -o down.fst '[[{cat} EndTag(animal)] | [{dog} EndTag(animal)] | [{ca} EndTag(short)]
  | [{rød} EndTag(colour)]].i' > /dev/null
"$KORA" patterns down.fst text.txt | cmp - marked.txt
"$KORA" patterns --down down.fst text.txt | cmp - marked.txt
"$KORA" patterns --up pat.fst text.txt | cmp - marked.txt

# ISO-8859-1 text.
printf 'un \351t\351 chaud\n' > latin1.txt
"$KORA" regex -o season.fst '[{été} EndTag(season)]' > /dev/null
"$KORA" patterns --latin1 season.fst latin1.txt > latin1.out
printf 'un <season>\351t\351</season> chaud\n' | cmp - latin1.out

# Many blocks of lines, and a line longer than a block: -j 4 writes what one thread writes.
awk 'BEGIN { srand(29); split("cat dog ca car rød x", w, " ");
             for (i = 0; i < 50000; i++) { printf "%s%s", w[int(rand() * 6) + 1], (i % 13 ? " " : "\n") } }' > big.txt
awk 'BEGIN { for (i = 0; i < 270000; i++) printf "cat "; print "" }' >> big.txt
"$KORA" patterns pat.fst big.txt > one.out
"$KORA" patterns -j 4 pat.fst big.txt | cmp - one.out
"$KORA" patterns -j 4 --count pat.fst big.txt > four.counts
"$KORA" patterns --count pat.fst < big.txt | cmp - four.counts
[ "$(grep -c '<animal>cat</animal>' one.out)" -gt 1 ]

# Failures: a network without tags, a missing input, two exclusive options.
"$KORA" regex -o plain.fst '{cat}' > /dev/null
if "$KORA" patterns plain.fst text.txt 2> err; then exit 1; fi
grep -q 'plain.fst has no closing tags' err
if "$KORA" patterns pat.fst missing.txt 2> err; then exit 1; fi
grep -q "cannot read 'missing.txt'" err
if "$KORA" patterns --delete --extract pat.fst text.txt 2> /dev/null; then exit 1; fi
"$KORA" patterns --help | grep -q 'longest match'
