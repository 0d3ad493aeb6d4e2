"""Ownership: networks derived from one another, with applyers, path iterators and pickles
hanging on them, die in random orders without a double free or a use after free (the CTest
entry of the sanitizer build runs this under AddressSanitizer). Every survivor keeps answering
as it did when it was made."""

import gc
import pickle

import pytest

import kora
from conftest import random_words, rng_of, seeds

OPERATIONS = [
    lambda a, b: a | b,
    lambda a, b: a + b,
    lambda a, b: a & b,
    lambda a, b: a - b,
    lambda a, b: a @ b,
    lambda a, b: a.star() + b,
    lambda a, b: a.invert(),
    lambda a, b: a.upper(),
    lambda a, b: a.minimize(),
    lambda a, b: a.reverse(),
    lambda a, b: pickle.loads(pickle.dumps(a)),
    lambda a, b: kora.from_bytes(b.to_bytes()),
]

PROBES = ["", "a", "b", "ab", "ba", "aab", "bab", "abab"]


def answers(net):
    return net.lookup_many(PROBES)


@pytest.mark.parametrize("seed", seeds(30))
def test_random_deletion_order_of_derived_networks(seed):
    rng = rng_of(seed)
    pool = []  # (net, answers when made, a paths iterator started on it or None)
    for _ in range(3):
        net = kora.words(sorted(random_words(rng, 4)))
        pool.append((net, answers(net), None))
    for _ in range(60):
        roll = rng.random()
        if roll < 0.55 or len(pool) < 2:
            a, b = rng.choice(pool)[0], rng.choice(pool)[0]
            net = rng.choice(OPERATIONS)(a, b)
            paths = net.paths(3) if rng.random() < 0.3 else None
            pool.append((net, answers(net), paths))
        elif roll < 0.85:
            del pool[rng.randrange(len(pool))]
            if rng.random() < 0.3:
                gc.collect()
        else:
            net, expected, paths = rng.choice(pool)
            assert answers(net) == expected
            if paths is not None:
                list(paths)
    survivors = list(pool)
    rng.shuffle(survivors)
    del pool
    while survivors:
        net, expected, paths = survivors.pop()
        assert answers(net) == expected
        del net, paths


def test_operands_outlive_and_predecease_their_results():
    a = kora.regex("{cat} | {dog}")
    b = kora.regex("{cat}:{chat}")
    composed = a @ b
    united = a | b
    del a
    gc.collect()
    assert composed.generate("cat") == ["chat"]
    del composed
    assert sorted(united.generate("cat")) == ["cat", "chat"]
    assert b.generate("cat") == ["chat"]
