"""Net.mark, Net.extract, Net.count and Net.patterns_many: the markup of random texts against a
longest-match loop written here, the direction found from the closing tags or given, the
messages; kora.dask.mark over a Bag of documents is the loop over the documents."""

import random

import pytest

import kora


def reference(patterns, text):
    """The markup, the matches and the counts by trying every pattern at every position; a match
    never holds a line end."""
    marked, items, counts = [], [], {}
    i = 0
    while i < len(text):
        best = max((p for p in patterns if "\n" not in p[0] and text.startswith(p[0], i)),
                   key=lambda p: len(p[0]), default=None)
        if best is None:
            marked.append(text[i])
            i += 1
            continue
        item = "<%s>%s</%s>" % (best[1], best[0], best[1])
        marked.append(item)
        items.append(item)
        counts[best[1]] = counts.get(best[1], 0) + 1
        i += len(best[0])
    return "".join(marked), items, counts


def pattern_net(patterns):
    return kora.regex(" | ".join("[{%s} EndTag(%s)]" % p for p in patterns))


def test_random_texts_agree_with_the_reference():
    letters = ["a", "b", "é", "ß"]
    for seed in range(60):
        rng = random.Random(seed)
        texts = {}
        for _ in range(rng.randint(1, 5)):
            texts["".join(rng.choice(letters) for _ in range(rng.randint(1, 4)))] = \
                "t%d" % rng.randint(0, 2)
        patterns = sorted(texts.items())
        net = pattern_net(patterns)
        text = "".join(rng.choice(letters + [" ", "\n"]) for _ in range(rng.randint(0, 50)))
        marked, items, counts = reference(patterns, text)
        assert net.mark(text) == marked, (seed, patterns, text)
        assert net.extract(text) == items, (seed, patterns, text)
        assert net.count(text) == counts, (seed, patterns, text)
        assert net.patterns_many([text, text], "extract") == [items, items]


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
