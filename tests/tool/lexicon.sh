#!/bin/sh
# kora lexicon compiles a lexicon file, prints its size, saves it with -o, and reports the
# library's messages as FILE:LINE: message; a lexicon with errors saves nothing.
set -eu
out=$("$KORA" lexicon -o "$TMPDIR/animals.fst" "$EXAMPLES/animals.vorn")
case "$out" in *", 14 paths.") ;; *) echo "unexpected: $out"; exit 1 ;; esac
test "$(echo mice | "$KORA" lookup "$TMPDIR/animals.fst")" = "$(printf 'mice\tmouse+N+Pl')"
test "$(echo fox+N+Pl | "$KORA" generate "$TMPDIR/animals.fst")" = "$(printf 'fox+N+Pl\tfoxes')"
"$KORA" lexicon --help | grep -q 'FILE:LINE: message'

# Syntax errors: each with the line of the fault (a ";" left off at the end of line 2 is
# reported there, and the next line is the next entry), then the abort; nothing is saved.
printf 'LEXICON Root\ncat Noun\n\ndog : : ;\nLEXICON Noun\n0 # ; ;\nx # ;\n' > "$TMPDIR/bad.vorn"
if "$KORA" lexicon -o "$TMPDIR/bad.fst" "$TMPDIR/bad.vorn" 2>"$TMPDIR/err" >/dev/null; then exit 1; fi
test ! -e "$TMPDIR/bad.fst"
printf '%s\n' "$TMPDIR/bad.vorn:2: syntax error at 'dog'" "    missing ';' after 'Noun'" \
  "$TMPDIR/bad.vorn:4: syntax error at ':'" "$TMPDIR/bad.vorn:6: syntax error at ';'" \
  "$TMPDIR/bad.vorn: error: Compilation aborted because of 3 parse errors." | cmp - "$TMPDIR/err"

# Warnings carry their lines. Those that say entries were lost (a class never defined, a
# sublexicon nothing leads to) fail the compilation as errors do; others do not.
printf 'LEXICON Root\na # ;\nb Nowhere ;\nLEXICON Orphan\nc # ;\n' > "$TMPDIR/warn.vorn"
if "$KORA" lexicon -o "$TMPDIR/warn.fst" "$TMPDIR/warn.vorn" 2>"$TMPDIR/err" >"$TMPDIR/out"; then exit 1; fi
test ! -e "$TMPDIR/warn.fst" && test ! -s "$TMPDIR/out"
printf '%s\n' "$TMPDIR/warn.vorn:3: warning: Sublexicon is mentioned but not defined. (Nowhere)" \
  "$TMPDIR/warn.vorn:4: warning: Sublexicons defined but not used: Orphan" \
  "$TMPDIR/warn.vorn:3: warning: Lost all entries containing the following symbols:" \
  "    b c" | cmp - "$TMPDIR/err"
printf 'LEXICON Root\na # ;\nb # "gloss" ;\n' > "$TMPDIR/info.vorn"
test "$("$KORA" lexicon "$TMPDIR/info.vorn" 2>"$TMPDIR/err")" = "2 states, 2 arcs, 2 words."
grep -qx "$TMPDIR/info.vorn:3: warning: Ignoring info strings." "$TMPDIR/err"

# A regular expression entry that does not compile: the line of its error.
printf 'LEXICON Root\n< a |\n  ] > # ;\n' > "$TMPDIR/regex.vorn"
if "$KORA" lexicon "$TMPDIR/regex.vorn" 2>"$TMPDIR/err" >/dev/null; then exit 1; fi
grep -qx "$TMPDIR/regex.vorn: error: Regex error (syntax error) at ]" "$TMPDIR/err"
grep -qx "$TMPDIR/regex.vorn:3: Regular expression error: ' a |" "$TMPDIR/err"
