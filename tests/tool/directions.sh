#!/bin/sh
# The upper side of a lexicon is the lexical side: lookup and apply up analyse a surface word,
# generate and apply down make one from an analysis, with every option of the lookup family.
# A file of several networks is applied as a cascade with --cascade, composed as lookups reach
# it with --lazy, and with a note otherwise.
set -eu
cd "$TMPDIR"
"$KORA" lexicon -o animals.fst "$EXAMPLES/animals.vorn" > /dev/null
printf 'mice\nfoxes\nbarked\n' > surface.txt
printf 'mice\tmouse+N+Pl\n\nfoxes\tfox+N+Pl\n\nbarked\tbark+V+Past\n\n' > analyses.txt
printf 'mouse+N+Pl\nfox+N+Pl\nbark+V+Past\n' > lexical.txt
printf 'mouse+N+Pl\tmice\n\nfox+N+Pl\tfoxes\n\nbark+V+Past\tbarked\n\n' > forms.txt
for options in "" "-j 2" "--flush"; do
  # shellcheck disable=SC2086  # the options are words
  "$KORA" lookup $options animals.fst surface.txt | cmp - analyses.txt
  "$KORA" apply up $options animals.fst < surface.txt | cmp - analyses.txt
  "$KORA" generate $options animals.fst lexical.txt | cmp - forms.txt
  "$KORA" apply down $options animals.fst < lexical.txt | cmp - forms.txt
done
if "$KORA" apply sideways animals.fst < /dev/null 2> err; then exit 1; fi
grep -q "direction must be 'up' or 'down', not 'sideways'" err

# A lexicon of stems with a spelling rule after it: the cascade and the lazy composition answer
# as the composition of the two does, in both directions and on several threads; without
# --cascade or --lazy only the lexicon applies, with a note.
printf '{fox} %%+N:0 %%+Pl:s | {cat} %%+N:0 %%+Pl:s;\n[..] -> e || x _ s;\n' > grammar.re
printf '[{fox} %%+N:0 %%+Pl:s | {cat} %%+N:0 %%+Pl:s] .o. [[..] -> e || x _ s];\n' > composed.re
"$KORA" regex -o grammar.fst -f grammar.re > /dev/null
"$KORA" regex -o composed.fst -f composed.re > /dev/null
printf 'foxes\ncats\nfoxs\n' > words.txt
"$KORA" lookup composed.fst words.txt > expected.txt
grep -q 'foxes	fox+N+Pl' expected.txt
printf 'fox+N+Pl\tfoxes\n\n' > down.txt
for j in 1 2; do
  for how in --cascade --lazy; do
    "$KORA" lookup $how -j $j grammar.fst words.txt | cmp - expected.txt
    echo fox+N+Pl | "$KORA" generate $how -j $j grammar.fst | cmp - down.txt
  done
done
if "$KORA" lookup --lazy --cascade grammar.fst < words.txt 2> err; then exit 1; fi
grep -qx "kora: --cascade and --lazy exclude each other" err
"$KORA" lookup grammar.fst words.txt > first.txt 2> err
grep -q 'foxs	fox+N+Pl' first.txt
grep -qx "kora: warning: grammar.fst holds 2 networks; only the first is applied (--cascade applies them all in turn)" err

# The fields of an answer line are split at its tabs: a tab in an input or a result is written
# \t and a backslash \\.
"$KORA" regex -o tab.fst '%	:x | a:%\' > /dev/null
printf '\t\na\nb\\\t\n' | "$KORA" generate tab.fst > tabs.txt
printf '\\t\tx\n\na\t\\\\\n\nb\\\\\\t\tb\\\\\\t\t+?\n\n' | cmp - tabs.txt
