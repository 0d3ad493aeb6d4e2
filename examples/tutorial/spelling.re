! The spelling rules of the tutorial (docs/tutorial.md), one expression: each rule rewrites the
! lower side of the one before it, from lexical forms with the boundary ^ (try^ed) to surface
! forms (tried). The definitions Cons and Vowel stand for their letters.
[ y -> {ie} || [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z] _ %^ s .#. ]   ! city^s: citie^s
.o.
[ y -> i || [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z] _ %^ e d ]       ! try^ed: tri^ed
.o.
[ e -> 0 || _ %^ [e | i] ]                                              ! bake^ed: bak^ed
.o.
[ [..] -> e || [s | x | z | c h | s h] %^ _ s .#. ]                     ! fox^s: fox^es
.o.
[ [..] -> p || .#. [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z]+ [a|e|i|o|u] p _ %^ [a|e|i|o|u] ]
.o.
[ [..] -> t || .#. [b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z]+ [a|e|i|o|u] t _ %^ [a|e|i|o|u] ]
.o.
[ %^ -> 0 ];                                                            ! the boundary goes
