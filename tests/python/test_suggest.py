"""Net.suggest: spelling correction, best first, with its limits, transpositions, error models
and the analyses of a transducer; bad arguments raise before anything is searched."""

import pytest

import kora


@pytest.fixture
def words():
    return kora.regex("{cat} | {bat} | {hat} | {cart} | {act} | {dog}")


def test_suggestions_come_best_first_then_in_byte_order(words):
    assert words.suggest("cat") == [("cat", 0), ("bat", 1), ("cart", 1), ("hat", 1), ("act", 2)]
    assert words.suggest("cat", 1, 2) == [("cat", 0), ("bat", 1)]
    assert words.suggest("cat", max_edits=0) == [("cat", 0)]
    assert words.suggest("xyz", 1) == []
    assert words.suggest("cta", 1) == []
    assert words.suggest("cta", 1, transpositions=True) == [("cat", 1)]
    assert words.suggest_many(["cta", "dgo"], 2, None) == [
        [("act", 2), ("cat", 2)], [("dog", 2)]]


def test_a_transducer_suggests_the_analyses_of_the_nearest_words():
    nouns = kora.regex("{cat} %+N:0 | {cot} %+N:0 | {cut} %+V:0")
    assert nouns.suggest("cst", 1) == [("cat+N", 1), ("cot+N", 1), ("cut+V", 1)]


def test_an_error_model_replaces_plain_edits(words):
    model = kora.regex("[? | c:b | b:c]*")
    assert words.suggest("bat", 1, None, errors=model) == [("bat", 0), ("cat", 1)]
    assert words.suggest("hat", 2, None, errors=model) == [("hat", 0)]


def test_bad_arguments_raise(words):
    with pytest.raises(ValueError):
        words.suggest("cat", -1)
    with pytest.raises(ValueError):
        words.suggest("cat", 101)
    with pytest.raises(ValueError):
        words.suggest("cat", 2, 0)
    with pytest.raises(TypeError):
        words.suggest("cat", errors="model")
    with pytest.raises(TypeError):
        words.suggest(3)
