"""Net.mark, Net.extract, Net.count and Net.patterns_many: the markup, matches and counts of a
text (the longest match at each position is tested in the C++ suite against its reference), the
direction found from the closing tags or given, the messages; kora.dask.mark over a Bag of
documents is the loop over the documents."""

import pytest

import kora


def pattern_net(patterns):
    return kora.regex(" | ".join("[{%s} EndTag(%s)]" % p for p in patterns))


def test_markup_matches_and_counts_of_one_applyer_over_several_texts():
    net = pattern_net([("a", "t0"), ("ab", "t1"), ("\u00e9b", "t0"), ("b\u00e9", "t2")])
    text = "ab \u00e9b\na b\u00e9ab"
    items = ["<t1>ab</t1>", "<t0>\u00e9b</t0>", "<t0>a</t0>", "<t2>b\u00e9</t2>", "<t1>ab</t1>"]
    assert net.mark(text) == "%s %s\n%s %s%s" % tuple(items)
    assert net.extract(text) == items
    assert net.count(text) == {"t0": 2, "t1": 2, "t2": 1}
    assert net.patterns_many([text, "", "bb", text], "extract") == [items, [], [], items]
    assert net.patterns_many(["", "ba", "b"], "count") == [{}, {"t0": 1}, {}]
    assert net.patterns_many(["ba"]) == ["b<t0>a</t0>"]


def test_direction():
    net = kora.regex("[{cat} EndTag(animal)]")
    assert net.mark("a cat") == "a <animal>cat</animal>"
    assert net.mark("a cat", direction="up") == "a <animal>cat</animal>"
    assert net.invert().mark("a cat") == "a <animal>cat</animal>"
    assert net.mark("a cat", direction="down") == "a cat"  # reads "cat</animal>"
    with pytest.raises(ValueError, match="no closing tags"):
        kora.regex("{cat}").mark("cat")
    with pytest.raises(ValueError, match="direction"):
        net.mark("cat", direction="sideways")
    with pytest.raises(ValueError, match="what"):
        net.patterns_many(["cat"], "delete")
    with pytest.raises(TypeError):
        net.mark(3)


def test_dask_mark_is_the_loop():
    dask = pytest.importorskip("dask")
    import dask.bag
    import kora.dask
    net = pattern_net([("cat", "animal"), ("dog", "animal"), ("red", "colour")])
    documents = ["a red cat", "no match", "", "dog\ncat dog"] * 10
    bag = dask.bag.from_sequence(documents, npartitions=4)
    with dask.config.set(scheduler="synchronous"):
        assert kora.dask.mark(bag, net).compute() == [net.mark(d) for d in documents]
        assert kora.dask.mark(bag, net, "count").compute() == [net.count(d) for d in documents]
        assert kora.dask.mark(bag, net, "extract").compute() == \
            [net.extract(d) for d in documents]
    with pytest.raises(ValueError):
        kora.dask.mark(bag, net, "delete")
