#!/bin/sh
# lookup --lazy composes the networks of the file as lookups reach them: the answers, in both
# directions and on several threads, are those of the composition built beforehand.
set -eu
cd "$TMPDIR"
printf '{fox} %%+N:0 %%+Pl:s | {cat} %%+N:0 %%+Pl:s | {try} %%+V:0 %%+Past:{ed};\n' > rules.re
printf '[..] -> e || x _ s;\ny -> i || _ e d;\n' >> rules.re
printf '[{fox} %%+N:0 %%+Pl:s | {cat} %%+N:0 %%+Pl:s | {try} %%+V:0 %%+Past:{ed}]' > composed.re
printf ' .o. [[..] -> e || x _ s] .o. [y -> i || _ e d];\n' >> composed.re
"$KORA" regex -o rules.fst -f rules.re > /dev/null
"$KORA" regex -o composed.fst -f composed.re > /dev/null
printf 'foxes\ncats\nfoxs\ntried\ntryed\n' > words.txt
printf 'fox+N+Pl\ntry+V+Past\ncat+N\n' > analyses.txt
"$KORA" lookup composed.fst words.txt > up.txt
"$KORA" generate composed.fst analyses.txt > down.txt
grep -q 'tried	try+V+Past' up.txt
for j in 1 2; do
  "$KORA" lookup --lazy -j $j rules.fst words.txt | cmp - up.txt
  "$KORA" generate --lazy -j $j rules.fst < analyses.txt | cmp - down.txt
done
if "$KORA" lookup --lazy --cascade rules.fst < words.txt 2> err; then exit 1; fi
grep -qx "kora: --cascade and --lazy exclude each other" err
