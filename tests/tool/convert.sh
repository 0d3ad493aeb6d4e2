#!/bin/sh
# kora convert: networks through every format and back, properties written and read into
# networks, the standard output, and the refusals with their exit statuses.
set -eu
cd "$TMPDIR"
fails() {  # fails STATUS COMMAND...: the command exits with STATUS
  expected=$1
  shift
  status=0
  "$@" > out 2> err || status=$?
  [ "$status" -eq "$expected" ] || { echo "exit $status, not $expected: $*" >&2; cat err >&2; exit 1; }
}

# A transducer with OTHER and EPSILON goes through Prolog and spaced text, an automaton through a
# word list, and each comes back with the same paths.
"$KORA" regex -o t.fst '[a:b | c:0 | ?] d*' > /dev/null
"$KORA" convert --to prolog t.fst t.pl
"$KORA" convert --from prolog --to binary t.pl back.fst
test "$("$KORA" print back.fst | tail -n +3)" = "$("$KORA" print t.fst | tail -n +3)"
"$KORA" regex -o w.fst 'c a t | c a r s' > /dev/null
"$KORA" convert --to text w.fst w.txt
"$KORA" convert --from text --to prolog w.txt w.pl
"$KORA" convert --from prolog --to spaced w.pl w.spaced
"$KORA" convert --from spaced --to text w.spaced w2.txt
cmp w.txt w2.txt
printf '# -*- coding: utf-8 -*-\ncars\ncat\n' | cmp - w.txt

# The Prolog facts on the standard output, and a file of two networks kept whole.
"$KORA" convert --from text --to prolog w.txt - > stdout.pl
grep -q '^arc(net_1, 0, 1, "c")\.$' stdout.pl
printf 'a b ;\nc:d+ ;\n' > two.re
"$KORA" regex -o two.fst -f two.re > /dev/null
"$KORA" convert --to prolog two.fst two.pl
test "$(grep -c '^network(' two.pl)" -eq 2
"$KORA" convert --from prolog --to binary two.pl back.fst
test "$("$KORA" info back.fst | grep -c 'states')" -eq 2

# Properties: written one per line, edited and read into the network.
"$KORA" convert --from text --to properties w.txt props.txt
test ! -s props.txt
printf 'NETWORKNAME: "nouns"\nCOUNT: 3\n' > props.txt
test "$("$KORA" convert --from text --properties props.txt --to properties w.txt -)" = \
  "$(printf 'NETWORKNAME: "nouns"\nCOUNT: 3')"
"$KORA" convert --from text --properties props.txt --to prolog w.txt - | grep -q '^network(nouns)\.$'

# Refusals: usage errors exit 2, failures 1, and no output file is left behind.
fails 2 "$KORA" convert t.fst t.pl
fails 2 "$KORA" convert --to pdf t.fst x
grep -q "option --to takes binary, text, spaced, prolog or properties, not 'pdf'" err
fails 2 "$KORA" convert --from properties --to prolog props.txt x
grep -q "a properties file holds no network" err
fails 2 "$KORA" convert --to binary t.fst -
fails 1 "$KORA" convert --to text t.fst t.txt
grep -q "kora: cannot write the word list to 't.txt'" err
test ! -e t.txt
fails 1 "$KORA" convert --from prolog --to binary two.pl.missing x.fst
printf 'network(n).\narc(n, 0, 1 "a").\n' > broken.pl
fails 1 "$KORA" convert --from prolog --to binary broken.pl x.fst
grep -q "Parse error on line 2 in file 'broken.pl'" err
test ! -e x.fst
fails 1 "$KORA" convert --from prolog --to text two.pl x.txt
grep -q "kora: 'two.pl' holds 2 networks, and --to text writes one" err
printf 'BAD LINE\n' > bad.txt
fails 1 "$KORA" convert --from text --properties bad.txt --to prolog w.txt x.pl
grep -q "WARNING: Invalid Properpty Name at LINE" err
test ! -e x.pl
