"""Shared fixtures of the Python module's tests: the examples directory, and the seeded word
lists of the ownership test."""

import os
import pathlib
import random

import pytest

EXAMPLES = pathlib.Path(os.environ.get("KORA_EXAMPLES",
                                       pathlib.Path(__file__).resolve().parents[2] / "examples"))


@pytest.fixture
def examples():
    return EXAMPLES


def random_words(rng, count, alphabet="ab", longest=3):
    """`count` random strings over `alphabet` of at most `longest` characters (as a set)."""
    return {"".join(rng.choice(alphabet) for _ in range(rng.randint(0, longest)))
            for _ in range(count)}


def seeds(count):
    """The seeds of a randomized test: 1..count, or only KORA_TEST_SEED when it is set."""
    if "KORA_TEST_SEED" in os.environ:
        return [int(os.environ["KORA_TEST_SEED"])]
    return range(1, count + 1)


def rng_of(seed):
    return random.Random(seed)
