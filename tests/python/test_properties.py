"""The properties of networks against brute force on their enumerated paths, on seeded random
networks built by hand (acyclic ones have finitely many paths to enumerate), and a table of
transducers whose functionality turns on EPSILON cycles and OTHER."""

import collections

import pytest

import kora
from conftest import rng_of, seeds
from test_states import random_net

LIMIT = 1000  # more paths than a random acyclic network of test_states has


def brute_force(net):
    """is_empty, is_acyclic and, for a finite network without OTHER (which paths spell as the
    letter ?), is_functional, from the paths."""
    paths = list(net.paths(LIMIT))
    finite = len(paths) < LIMIT
    lowers = collections.defaultdict(set)
    for upper, lower in paths:
        lowers[upper].add(lower)
    return {"is_empty": not paths, "is_acyclic": finite,
            "is_functional": all(len(found) == 1 for found in lowers.values())
            if finite and kora.OTHER not in net.sigma else None}


@pytest.mark.parametrize("seed", seeds(40))
def test_properties_agree_with_the_paths(seed):
    rng = rng_of(seed)
    for acyclic in (True, False):
        net = random_net(rng, acyclic)
        expected = brute_force(net)
        for name, value in expected.items():
            if value is not None:
                assert getattr(net, name) == value, (seed, name, str(net))
        minimal = kora.minimize(net)
        assert minimal.is_deterministic and minimal.is_epsilon_free
        assert minimal.is_functional == net.is_functional, (seed, str(net))
        assert kora.project(net, "upper").is_acceptor
        assert net.is_transducer != net.is_acceptor


@pytest.mark.parametrize("regex, functional", [
    ("[a:b]* | c", True),
    ("[0:a]* b", False),                 # an EPSILON cycle on the upper side that writes
    ("a:0 b:c | a:c b:0", True),         # equal outputs, written at different steps
    ("?", True),                         # OTHER writes the symbol it reads
    ("? ?:0 | ?:0 ?", False),            # x y gives x and y, unequal for unknown x, y
    ("? ?:0 | ?:0 ?:? ", False),         # ?:? writes any other symbol
    ("a:?", False),
    ("?:a", True),                       # any symbol to a, a included
    ("?:a | b", False),                  # b to a and to b
])
def test_functionality_of_transducers_with_epsilons_and_other(regex, functional):
    assert kora.regex(regex).is_functional == functional


def test_determinism_and_epsilons_of_hand_built_networks():
    net = kora.Net()
    end = net.add_state(final=True)
    net.add_arc(net.start, "a", end)
    assert net.is_deterministic and net.is_epsilon_free and net.is_acceptor
    net.add_arc(net.start, ("", "b"), end)
    assert net.is_deterministic and net.is_epsilon_free and net.is_transducer
    net.add_arc(net.start, "a", net.add_state())
    assert not net.is_deterministic
    net.add_arc(end, "", net.start)
    assert not net.is_epsilon_free and not net.is_acyclic
