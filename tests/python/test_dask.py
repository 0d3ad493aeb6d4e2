"""kora.dask.lookup on a local cluster of two worker processes: a Bag and a DataFrame column
give, in input order, what a loop over net.lookup gives; the network is loaded once per
worker process."""

import pytest

import kora

dask = pytest.importorskip("dask")
distributed = pytest.importorskip("distributed")
pandas = pytest.importorskip("pandas")
import dask.bag  # noqa: E402
import dask.dataframe  # noqa: E402

import kora.dask  # noqa: E402


@pytest.fixture(scope="module")
def client():
    cluster = distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                       dashboard_address=None)
    with distributed.Client(cluster) as client:
        yield client
    cluster.close()


@pytest.fixture(scope="module")
def net():
    return kora.regex("{cat}:{chat} | {cat}:{gato} | {dog}:{chien} | [a|b]+")


INPUTS = ["cat", "dog", "cow", "ab", "", "ba", "cat"] * 30


def test_bag_lookup_is_the_loop(client, net):
    bag = dask.bag.from_sequence(INPUTS, npartitions=7)
    assert kora.dask.lookup(bag, net).compute() == [net.lookup(s) for s in INPUTS]
    generated = kora.dask.lookup(bag, net, direction="down").compute()
    assert generated == [net.generate(s) for s in INPUTS]


def test_dataframe_column_lookup_is_the_loop(client, net):
    frame = pandas.DataFrame({"word": INPUTS, "n": range(len(INPUTS))})
    column = dask.dataframe.from_pandas(frame, npartitions=5)["word"]
    result = kora.dask.lookup(column, net, direction="down").compute()
    assert list(result.index) == list(range(len(INPUTS)))
    assert result.tolist() == [net.generate(s) for s in INPUTS]


def test_each_worker_loads_the_network_once(client, net):
    def loads():
        import kora.dask
        return kora.dask._loads

    before = client.run(loads)
    bag = dask.bag.from_sequence(INPUTS, npartitions=12)
    kora.dask.lookup(bag, net).compute()
    after = client.run(loads)
    assert all(after[w] - before[w] <= 1 for w in after)


def test_other_collections_are_refused(net):
    with pytest.raises(TypeError):
        kora.dask.lookup(["cat"], net)
    with pytest.raises(TypeError):
        kora.dask.lookup(dask.bag.from_sequence(["cat"]), "not a network")


def test_the_clients_memory_limit_travels_to_the_workers(client):
    exploding = kora.regex("[a:a | a:b]*")
    bag = dask.bag.from_sequence(["a", "a" * 24], npartitions=2)
    before = kora.memory_limit()
    kora.set_memory_limit(4 << 20)
    try:
        lookups = kora.dask.lookup(bag, exploding, direction="down")
    finally:
        kora.set_memory_limit(before)
    with pytest.raises(MemoryError, match="^Memory limit exceeded: APPLY_TO_STRING"):
        lookups.compute()
    again = kora.dask.lookup(dask.bag.from_sequence(["a", "aa"], npartitions=2), exploding,
                             direction="down")
    assert [sorted(found) for found in again.compute()] == [["a", "b"], ["aa", "ab", "ba", "bb"]]


def test_bag_suggest_is_the_loop(client, net):
    bag = dask.bag.from_sequence(INPUTS, npartitions=7)
    assert kora.dask.suggest(bag, net, 1, 3).compute() == [net.suggest(s, 1, 3) for s in INPUTS]
    model = kora.regex("[? | o:a]*")
    suggested = kora.dask.suggest(bag, net, 1, None, errors=model).compute()
    assert suggested == [net.suggest(s, 1, None, errors=model) for s in INPUTS]
    with pytest.raises(ValueError):
        kora.dask.suggest(bag, net, max_edits=-1)
