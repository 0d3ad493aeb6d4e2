# -*- coding: utf-8 -*-
network(english_nouns).
symbol(english_nouns, "a").
symbol(english_nouns, "c").
symbol(english_nouns, "s").
symbol(english_nouns, "t").
symbol(english_nouns, "+Sg").
symbol(english_nouns, "+Pl").
arc(english_nouns, 0, 1, "c").
arc(english_nouns, 1, 2, "a").
arc(english_nouns, 2, 3, "t").
arc(english_nouns, 3, 4, "+Sg":"0").
arc(english_nouns, 3, 4, "+Pl":"s").
final(english_nouns, 4).
