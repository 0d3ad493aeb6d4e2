#!/bin/sh
# kora optimize saves a network arc-optimized, with a reduced labelset, or both; lookup reads
# the saved forms as they are and answers as on the plain network; kora info names the forms.
# (Usage errors: bad_inputs.sh.)
set -eu
"$KORA" words -o "$TMPDIR/fruits.fst" "$EXAMPLES/fruits.txt" > /dev/null
"$KORA" lexicon -o "$TMPDIR/animals.fst" "$EXAMPLES/animals.vorn" > /dev/null
"$KORA" text "$TMPDIR/fruits.fst" > "$TMPDIR/words"
# Words whose states end their arc lists alike: 8 states and 20 arcs, 16 arcs optimized.
printf '%s\n' bat bit bot but cat cot cut hit hot hut jot jut nut rat rot rut > "$TMPDIR/three.txt"
"$KORA" words -o "$TMPDIR/three.fst" "$TMPDIR/three.txt" > /dev/null
"$KORA" optimize --arcs -o "$TMPDIR/arcs.fst" "$TMPDIR/three.fst" > "$TMPDIR/summary"
grep -qx '8 states, 16 arcs, 16 words.' "$TMPDIR/summary"
"$KORA" info "$TMPDIR/arcs.fst" | grep -qx '   Form: arc-optimized'
"$KORA" text "$TMPDIR/arcs.fst" | cmp - "$TMPDIR/three.txt"
# Inputs for the networks and both directions: the fruits, surface and lexical animal forms.
cat "$TMPDIR/words" "$TMPDIR/three.txt" > "$TMPDIR/inputs"
printf 'mice\ncats\nfoxes\nbarks\nwalked\nmouse+N+Pl\nfox+N+Pl\nbark+V+Pres+3Sg\ncat\n' >> "$TMPDIR/inputs"
for form in arcs reduce both; do
  for net in fruits three animals; do
    case $form in
      both) "$KORA" optimize -o "$TMPDIR/$net-$form.fst" "$TMPDIR/$net.fst" > /dev/null ;;
      *) "$KORA" optimize --$form -o "$TMPDIR/$net-$form.fst" "$TMPDIR/$net.fst" > /dev/null ;;
    esac
    for direction in lookup generate; do
      "$KORA" "$direction" -j 1 "$TMPDIR/$net.fst" < "$TMPDIR/inputs" > "$TMPDIR/plain.out" || true
      "$KORA" "$direction" -j 1 "$TMPDIR/$net-$form.fst" < "$TMPDIR/inputs" > "$TMPDIR/form.out" || true
      cmp "$TMPDIR/plain.out" "$TMPDIR/form.out"
    done
  done
done
"$KORA" info "$TMPDIR/three-both.fst" | grep -qx '   Form: arc-optimized, reduced labelset'
