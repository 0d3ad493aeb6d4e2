"""The calculus under pynini's names, functions and methods alike, against the languages they
wrap, on seeded random finite networks: one law per operation, the oracle being the paths the
networks enumerate. The laws of the calculus itself are the C++ suites'; these check the wiring
(which function each name calls, that operands stay as they were, strings standing for their
networks)."""

import itertools

import pytest

import kora
from conftest import random_words, rng_of, seeds


def strings(net):
    return {upper for upper, _ in net.paths()}


def relation(net):
    return set(net.paths())


def concatenations(a, b):
    return {x + y for x in a for y in b}


def operands(seed):
    rng = rng_of(seed)
    a, b = sorted(random_words(rng, 4)), sorted(random_words(rng, 4))
    pairs = sorted({(x, y) for x, y in zip(sorted(random_words(rng, 4)), sorted(random_words(rng, 4)))})
    return kora.words(a), kora.words(b), kora.words(pairs), set(a), set(b), set(pairs)


@pytest.mark.parametrize("seed", seeds(12))
def test_each_name_computes_its_operation(seed):
    a, b, t, A, B, T = operands(seed)
    before = (relation(a), relation(b), relation(t))
    for function in (kora.union, lambda x, y: x.union(y)):
        assert strings(function(a, b)) == A | B
    assert strings(kora.union(a, b, "zz")) == A | B | {"zz"}
    assert strings(kora.concat(a, b)) == strings(a.concat(b)) == concatenations(A, B)
    assert strings(kora.intersect(a, b)) == A & B
    assert strings(kora.difference(a, b)) == strings(a.difference(b)) == A - B
    assert relation(kora.cross(a, b)) == relation(a.cross(b)) == set(itertools.product(A, B))
    assert relation(kora.invert(t)) == {(y, x) for x, y in T}
    assert kora.invert(kora.invert(t)).equivalent(t)
    for side, index in [("upper", 0), ("input", 0), ("lower", 1), ("output", 1)]:
        projected = kora.project(t, side)
        assert strings(projected) == {pair[index] for pair in T} and projected.is_acceptor
    assert relation(kora.compose(t, kora.invert(t))) == \
        {(x, z) for x, y in T for z, w in T if y == w}
    assert strings(kora.ques(a)) == strings(a.ques()) == A | {""}
    assert strings(kora.closure(a, 2, 2)) == concatenations(A, A)
    for minimal in (kora.determinize, kora.minimize, kora.optimize):
        result = minimal(t)
        assert result.equivalent(t) and result.is_deterministic
    assert (relation(a), relation(b), relation(t)) == before


@pytest.mark.parametrize("seed", seeds(6))
def test_closures_contain_the_empty_string_and_are_closed_under_concatenation(seed):
    a, _, _, A, _, _ = operands(seed)
    star, plus = kora.closure(a), kora.plus(a)
    probes = concatenations(A, concatenations(A, A)) | {""}
    assert "" in star and all(word in star for word in probes)
    assert ("" in plus) == ("" in A) and all(word in plus for word in probes - {""})
    assert (star + star).equivalent(star) and plus.closure(1).equivalent(plus)


def test_arguments_are_checked():
    a = kora.regex("a")
    with pytest.raises(TypeError, match="a must be a kora.Net or a str"):
        kora.concat(1, a)
    with pytest.raises(ValueError, match=r"upper \(1\) is less than lower \(2\)"):
        a.closure(2, 1)
    with pytest.raises(kora.Error, match="transducer"):
        kora.cross(kora.regex("a:b"), a)
    with pytest.raises(TypeError):
        kora.union()
