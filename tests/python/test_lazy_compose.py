"""kora.lazy_compose against the composition it stands for: on seeded random word lists and
rewrite rules, the lazy composition looks up and generates what ``@`` gives (after pickling in
test_lazy_methods.py), and leaves its operands as they were; wrong arguments raise TypeError."""

import pytest

import kora
from conftest import random_words, rng_of, seeds

RULES = ["a -> b || _ c", "b -> 0 || c _", "[..] -> x || d _ e", "c -> d"]


@pytest.mark.parametrize("seed", seeds(20))
def test_answers_are_those_of_the_composition(seed):
    rng = rng_of(seed)
    words = sorted(random_words(rng, 6))
    lexicon = kora.cross(kora.words(words), kora.words([w[::-1] for w in words])) | kora.words(words)
    rules = [kora.regex(RULES[k]) for k in rng.sample(range(len(RULES)), 3)]
    eager = lexicon
    for rule in rules:
        eager = eager @ rule
    lazy = kora.lazy_compose(lexicon, *rules)
    for word in words:
        assert sorted(lazy.generate(word)) == sorted(eager.generate(word))
        for form in eager.generate(word):
            assert sorted(lazy.lookup(form)) == sorted(eager.lookup(form))
    assert sorted(lexicon.paths()) == sorted(lexicon.copy().paths())


def test_strings_stand_for_their_networks_and_other_arguments_are_refused():
    assert kora.lazy_compose("ab", kora.regex("a -> c")).generate("ab") == ["cb"]
    with pytest.raises(TypeError):
        kora.lazy_compose()
    with pytest.raises(TypeError):
        kora.lazy_compose(kora.regex("a"), 3)
