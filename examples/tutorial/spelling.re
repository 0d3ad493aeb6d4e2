! The spelling rules of the tutorial (docs/tutorial.md), one expression: each rule rewrites the
! lower side of the one before it, from lexical forms with the boundary ^ (try^ed) to surface
! forms (tried). [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z] is a consonant (y aside) and
! [a|e|i|o|u] a vowel.

! y after a consonant is ie before the ending s: city^s, citie^s
[ y -> {ie} || [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z] _ %^ s .#. ]
.o.
! y after a consonant is i before the ending ed: try^ed, tri^ed
[ y -> i || [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z] _ %^ e d ]
.o.
! a final e goes before an ending that starts with e or i: bake^ed, bak^ed
[ e -> 0 || _ %^ [e | i] ]
.o.
! e comes before the ending s after s, x, z, ch and sh: fox^s, fox^es
[ [..] -> e || [s | x | z | c h | s h] %^ _ s .#. ]
.o.
! a final p or t after one vowel (in a word of one syllable) doubles before an ending that
! starts with a vowel: stop^ed, stopp^ed; chat^ing, chatt^ing
[ [..] -> p || .#. [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z]+ [a|e|i|o|u] p _ %^ [a|e|i|o|u] ]
.o.
[ [..] -> t || .#. [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z]+ [a|e|i|o|u] t _ %^ [a|e|i|o|u] ]
.o.
! the boundary goes: fox^es, foxes
[ %^ -> 0 ];
