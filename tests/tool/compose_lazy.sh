#!/bin/sh
# compose saves the composition of the networks of its files, built or (--lazy) virtual. The
# virtual file looks up and generates as the built one does, as an operand of another lazy
# composition too; info and print say what it is built of; the commands that need the whole
# network refuse it with the library's message and save nothing.
set -eu
cd "$TMPDIR"
printf '{fox} %%+N:0 %%+Pl:s | {try} %%+V:0 %%+Past:{ed};\n' > lexicon.re
printf '[..] -> e || x _ s;\ny -> i || _ e d;\n' > rules.re
"$KORA" regex -o lexicon.fst -f lexicon.re > /dev/null
"$KORA" regex -o rules.fst -f rules.re > /dev/null
"$KORA" compose -o eager.fst lexicon.fst rules.fst > summary
grep -qx '12 states, 12 arcs, 2 paths.' summary
"$KORA" compose --lazy -o lazy.fst lexicon.fst rules.fst > summary
grep -qx 'virtual: the composition of 3 networks, made as lookups reach it.' summary
"$KORA" compose --lazy -o nested.fst lazy.fst rules.fst > /dev/null
printf 'foxes\ntried\ntryed\nfoxs\n' > words.txt
printf 'fox+N+Pl\ntry+V+Past\n' > analyses.txt
"$KORA" lookup eager.fst words.txt > up.txt
"$KORA" generate eager.fst analyses.txt > down.txt
grep -q 'tried	try+V+Past' up.txt
for file in lazy.fst nested.fst; do
  "$KORA" lookup -j 2 $file words.txt | cmp - up.txt
  "$KORA" generate $file < analyses.txt | cmp - down.txt
done

"$KORA" info lazy.fst > info.txt
grep -qx '1: .* 1 state, 0 arcs, Virtual\.' info.txt
grep -qx '   Virtual: compose(compose(\[11 states, 11 arcs\], \[3 states, [0-9]* arcs\]), \[5 states, [0-9]* arcs\])' info.txt
"$KORA" print lazy.fst > print.txt
sed -n 2,4p print.txt > head.txt
printf 'Flags: virtual\nArity: 2\nVirtual compose: 0 of 1 states expanded.\n' | cmp - head.txt
for operand in 1 1.1 1.2 2; do grep -qx "Operand $operand:" print.txt; done
grep -qx 'fs9:  (no arcs)' print.txt  # the lexicon's listing

for command in "draw lazy.fst" "text lazy.fst" "suggest lazy.fst words.txt" \
               "optimize -o out.fst lazy.fst" "compose -o out.fst lazy.fst rules.fst"; do
  if "$KORA" $command > out 2> err; then exit 1; fi
  grep -q 'Cannot do this operation on a virtual network.' err
done
test ! -e out.fst
