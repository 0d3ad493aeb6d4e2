"""The operators against Python's own sets: on seeded random finite languages over {a, b},
every operator gives the language (or relation) computed directly from the word sets, and
leaves its operands as they were."""

import itertools

import pytest

import kora
from conftest import all_strings, random_words, rng_of, seeds

ALPHABET = "ab"
STRINGS = all_strings(ALPHABET, 4)


def language(net, limit=10000):
    """The upper strings of a finite automaton's paths, as a set."""
    return {upper for upper, lower in net.paths(limit)}


def relation(net):
    return set(net.paths(10000))


def accepted(net, longest=4):
    """The strings over the alphabet up to `longest` that the automaton accepts."""
    return {s for s, found in zip(STRINGS, net.lookup_many(STRINGS)) if found and len(s) <= longest}


def closure(words, at_least):
    """The concatenations of at least `at_least` words, up to length 4."""
    result = {""} if at_least == 0 else set()
    layer = {""}
    for _ in range(4):
        layer = {x + y for x in layer for y in words if len(x + y) <= 4}
        result |= layer
    return result


def spelled_pairs(rng, count):
    """Random (upper, lower) pairs of equal length, so that symbol-by-symbol pairing is the
    plain pairing of the strings."""
    pairs = set()
    for _ in range(count):
        upper = "".join(rng.choice(ALPHABET) for _ in range(rng.randint(0, 3)))
        lower = "".join(rng.choice(ALPHABET) for _ in range(len(upper)))
        pairs.add((upper, lower))
    return pairs


@pytest.mark.parametrize("seed", seeds(40))
def test_boolean_operators_and_concatenation(seed):
    rng = rng_of(seed)
    a_words, b_words = random_words(rng, 5), random_words(rng, 5)
    a, b = kora.words(sorted(a_words)), kora.words(sorted(b_words))
    assert language(a | b) == a_words | b_words
    assert language(a & b) == a_words & b_words
    assert language(a - b) == a_words - b_words
    assert language(a + b) == {x + y for x in a_words for y in b_words}
    assert language(a | a) == a_words
    assert language(a + a) == {x + y for x in a_words for y in a_words}
    assert language(a.reverse()) == {w[::-1] for w in a_words}
    assert language(a.optional()) == a_words | {""}
    assert language(a.repeat(2, 2)) == {x + y for x in a_words for y in a_words}
    # Complement and closures are infinite: compare on every string up to length 4.
    assert accepted(~a) == {s for s in STRINGS if s not in a_words}
    assert accepted(a.star()) == closure(a_words, 0)
    assert accepted(a.plus()) == closure(a_words, 1)
    # No operator changed its operands.
    assert language(a) == a_words and language(b) == b_words


@pytest.mark.parametrize("seed", seeds(40))
def test_composition_inversion_and_projections(seed):
    rng = rng_of(seed)
    r_pairs, s_pairs = spelled_pairs(rng, 6), spelled_pairs(rng, 6)
    r, s = kora.words(sorted(r_pairs)), kora.words(sorted(s_pairs))
    assert relation(r) == r_pairs
    composed = {(x, z) for x, y in r_pairs for y2, z in s_pairs if y == y2}
    assert relation(r @ s) == composed
    assert relation(r.invert()) == {(y, x) for x, y in r_pairs}
    assert language(r.upper()) == {x for x, _ in r_pairs}
    assert language(r.lower()) == {y for _, y in r_pairs}
    assert relation(r @ r.invert()) == {(x, z) for x, y in r_pairs for z, y2 in r_pairs if y == y2}
    for x in {x for x, _ in r_pairs}:
        assert sorted(r.lookup(x)) == sorted(y for x2, y in r_pairs if x2 == x)
    assert relation(r) == r_pairs and relation(s) == s_pairs


@pytest.mark.parametrize("seed", seeds(20))
def test_minimize_keeps_the_language_and_never_grows(seed):
    rng = rng_of(seed)
    parts = [kora.words(sorted(random_words(rng, 4))) for _ in range(4)]
    net = parts[0]
    for part in parts[1:]:
        net = (net + part) | part.reverse()
    smallest = net.minimize()
    assert smallest.equivalent(net)
    assert smallest.states <= net.states
    assert language(smallest) == language(net)


def test_equivalence_answers_both_ways():
    assert kora.regex("a b | a c").equivalent(kora.regex("a [b | c]"))
    assert not kora.regex("a b").equivalent(kora.regex("a c"))
    net = kora.regex("a*")
    assert net.equivalent(net)
    assert (net + net).equivalent(net)


def test_operators_take_only_networks():
    net = kora.regex("a")
    for operation in [lambda: net | "a", lambda: net + 1, lambda: net @ None]:
        with pytest.raises(TypeError):
            operation()
