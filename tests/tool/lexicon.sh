#!/bin/sh
# kora lexicon compiles a lexicon file, prints its size, saves it with -o, and reports the
# library's messages as FILE:LINE: message; a lexicon with syntax errors saves nothing.
set -eu
out=$("$KORA" lexicon -o "$TMPDIR/animals.fst" "$EXAMPLES/animals.vorn")
case "$out" in *", 14 paths.") ;; *) echo "unexpected: $out"; exit 1 ;; esac
test "$(echo mice | "$KORA" lookup "$TMPDIR/animals.fst")" = "$(printf 'mice\tmouse+N+Pl')"
test "$(echo fox+N+Pl | "$KORA" generate "$TMPDIR/animals.fst")" = "$(printf 'fox+N+Pl\tfoxes')"
"$KORA" lexicon --help | grep -q 'FILE:LINE: message'

# Syntax errors: each with its line, then the abort; nothing is saved; status 1.
printf 'LEXICON Root\ncat Noun\n\ndog : : ;\nLEXICON Noun\n0 # ;\n' > "$TMPDIR/bad.vorn"
if "$KORA" lexicon -o "$TMPDIR/bad.fst" "$TMPDIR/bad.vorn" 2>"$TMPDIR/err" >/dev/null; then exit 1; fi
test ! -e "$TMPDIR/bad.fst"
printf '%s\n' "$TMPDIR/bad.vorn:4: syntax error at 'dog'" \
  "$TMPDIR/bad.vorn: error: Compilation aborted because of 1 parse error." | cmp - "$TMPDIR/err"

# Warnings that entries were lost (a class never defined, a sublexicon nothing leads to) fail
# the compilation as errors do; the names that follow a warning are kept. Other warnings do not.
printf 'LEXICON Root\na # ;\nb Nowhere ;\nLEXICON Orphan\nc # ;\n' > "$TMPDIR/warn.vorn"
if "$KORA" lexicon -o "$TMPDIR/warn.fst" "$TMPDIR/warn.vorn" 2>"$TMPDIR/err" >"$TMPDIR/out"; then exit 1; fi
test ! -e "$TMPDIR/warn.fst" && test ! -s "$TMPDIR/out"
grep -qx "$TMPDIR/warn.vorn: warning: Sublexicon is mentioned but not defined. (Nowhere)" "$TMPDIR/err"
grep -qx "$TMPDIR/warn.vorn: warning: Sublexicons defined but not used:" "$TMPDIR/err"
grep -qx "      Orphan" "$TMPDIR/err"
printf 'LEXICON Root\na # "gloss" ;\n' > "$TMPDIR/info.vorn"
test "$("$KORA" lexicon "$TMPDIR/info.vorn" 2>"$TMPDIR/err")" = "2 states, 1 arc, 1 word."
grep -qx "$TMPDIR/info.vorn: warning: Ignoring info strings." "$TMPDIR/err"
