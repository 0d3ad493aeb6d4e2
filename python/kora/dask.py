"""Looking words up and marking patterns over Dask collections that may not fit one machine.

:func:`lookup` maps ``Net.lookup`` over a Dask Bag of strings or a dask DataFrame column, and
:func:`mark` maps ``Net.mark`` (or ``extract``, ``count``) over a Bag of documents. The
network travels as the bytes of its network file, once per worker: with a distributed client
they are scattered to every worker before the partitions run (without one, they are one node of
the task graph). Each worker process loads it once and keeps the loaded network in a small
cache keyed by the bytes' digest, so every partition after the first one on a worker starts
looking up at once. Results keep the input's order: a Bag of lists of results, or a Series of
lists, with the same values as ``[net.lookup(s) for s in inputs]``. The memory limit of the
calling process when :func:`lookup` is called travels with the network: each partition sets it
in its worker before loading and looking up, so a lookup past it raises MemoryError there, and
the computation with it, as it would here. :func:`suggest` maps ``Net.suggest`` (spelling
correction) over a Bag or a column the same way.
"""

import hashlib
import threading

import dask
import dask.bag

try:
    import dask.dataframe as dask_dataframe
except ImportError:  # dask without pandas: Bags only
    dask_dataframe = None

from . import Net, from_bytes, memory_limit, set_memory_limit

__all__ = ["lookup", "mark", "suggest"]

# The networks loaded in this process, by digest, the most recently used last.
_CACHE_SIZE = 4
_cache = {}
_cache_lock = threading.Lock()
_loads = 0  # networks loaded in this process


def _network(digest, data):
    """The network of ``data`` (whose digest is ``digest``), loaded once per process."""
    global _loads
    with _cache_lock:
        net = _cache.pop(digest, None)
        if net is None:
            net = from_bytes(data)
            _loads += 1
        _cache[digest] = net
        while len(_cache) > _CACHE_SIZE:
            del _cache[next(iter(_cache))]
        return net


def _lookup_partition(inputs, data, digest, direction, limit):
    set_memory_limit(limit)
    return _network(digest, data).lookup_many(list(inputs), direction)


def _lookup_series(series, data, digest, direction, limit):
    import pandas

    set_memory_limit(limit)
    results = _network(digest, data).lookup_many(series.tolist(), direction)
    return pandas.Series(results, index=series.index, name=series.name, dtype=object)


def _suggest_partition(inputs, data, digest, settings, limit):
    set_memory_limit(limit)
    net = _network(digest, data)
    return net.suggest_many(list(inputs), **_settings_here(settings))


def _suggest_series(series, data, digest, settings, limit):
    import pandas

    set_memory_limit(limit)
    net = _network(digest, data)
    results = net.suggest_many(series.tolist(), **_settings_here(settings))
    return pandas.Series(results, index=series.index, name=series.name, dtype=object)


def _settings_here(settings):
    """The keyword arguments of ``Net.suggest_many`` from what travelled: the error model as the
    bytes of its network file and their digest, loaded once per process like the network."""
    settings = dict(settings)
    model = settings.pop("errors")
    settings["errors"] = None if model is None else _network(model[1], model[0])
    return settings


def _mark_partition(texts, data, digest, what, direction, limit):
    set_memory_limit(limit)
    return _network(digest, data).patterns_many(list(texts), what, direction)


def _shipped(data, digest):
    """The network's bytes as an argument of the partitions' tasks. With a distributed client,
    the bytes are scattered to every worker at once, so that no worker waits for another to send
    them and the scheduler places partitions without regard to where the network is; otherwise
    (threads or processes on this machine) they are one node of the graph. Each call scatters
    under a key of its own: under a key derived from the bytes, a second call on the same network
    would get the first call's key, and the first call's future, released when its collection
    dies, could make the scheduler drop the data the second call needs."""
    try:
        from distributed import get_client

        client = get_client()
    except (ImportError, ValueError):
        return dask.delayed(data, pure=True, name="kora-net-" + digest)
    return client.scatter(data, broadcast=True, hash=False)


def lookup(collection, net, direction="up"):
    """Looks each string of ``collection`` up in ``net``: analyses it (``direction`` "up", as
    ``Net.lookup``) or generates from it (``direction`` "down", as ``Net.generate``).

    ``collection`` is a ``dask.bag.Bag`` of strings or a ``dask.dataframe.Series`` of strings;
    the result is a lazy collection of the same kind whose items are the lists of results, in
    the input's order. Compute it with ``.compute()`` (on a ``distributed.Client`` when one is
    active).
    """
    if not isinstance(net, Net):
        raise TypeError("net must be a kora.Net, not %s" % type(net).__name__)
    if direction not in ("down", "up"):
        raise ValueError("direction must be 'down' or 'up', not %r" % (direction,))
    data = net.to_bytes()
    digest = hashlib.sha256(data).hexdigest()
    shipped = _shipped(data, digest)
    limit = memory_limit()

    if isinstance(collection, dask.bag.Bag):
        return collection.map_partitions(_lookup_partition, shipped, digest, direction, limit)
    if dask_dataframe is not None and isinstance(collection, dask_dataframe.Series):
        return collection.map_partitions(_lookup_series, shipped, digest, direction, limit,
                                         meta=(collection.name, object))
    raise TypeError("collection must be a dask Bag or a dask DataFrame column (Series), not %s"
                    % type(collection).__name__)


def suggest(collection, net, max_edits=2, limit=10, *, transpositions=False, errors=None):
    """Spelling correction of each string of ``collection`` against ``net``, as
    ``Net.suggest(s, max_edits, limit, transpositions=..., errors=...)`` gives it: a list of
    (suggestion, distance) pairs, best first.

    ``collection`` is a ``dask.bag.Bag`` of strings or a ``dask.dataframe.Series`` of strings;
    the result is a lazy collection of the same kind whose items are the lists of suggestions,
    in the input's order. The network, and the error model ``errors`` when one is given, travel
    as in :func:`lookup`.
    """
    if not isinstance(net, Net):
        raise TypeError("net must be a kora.Net, not %s" % type(net).__name__)
    if errors is not None and not isinstance(errors, Net):
        raise TypeError("errors must be a kora.Net or None, not %s" % type(errors).__name__)
    # The arguments are checked here, before anything is computed, by a call on no word.
    net.suggest_many([], max_edits, limit, transpositions=transpositions, errors=errors)
    data = net.to_bytes()
    digest = hashlib.sha256(data).hexdigest()
    shipped = _shipped(data, digest)
    model = None
    if errors is not None:
        model_data = errors.to_bytes()
        model_digest = hashlib.sha256(model_data).hexdigest()
        model = (model_data, model_digest)
    settings = {"max_edits": max_edits, "limit": limit, "transpositions": transpositions,
                "errors": model}
    memory = memory_limit()

    if isinstance(collection, dask.bag.Bag):
        return collection.map_partitions(_suggest_partition, shipped, digest, settings, memory)
    if dask_dataframe is not None and isinstance(collection, dask_dataframe.Series):
        return collection.map_partitions(_suggest_series, shipped, digest, settings, memory,
                                         meta=(collection.name, object))
    raise TypeError("collection must be a dask Bag or a dask DataFrame column (Series), not %s"
                    % type(collection).__name__)


def mark(collection, net, what="mark", direction=None):
    """Marks up each document (a str) of ``collection``, a ``dask.bag.Bag``, with the pattern
    network ``net``: ``what`` "mark" gives ``net.mark(text)``, "extract" ``net.extract(text)`` and
    "count" ``net.count(text)`` for each, in the Bag's order, as a lazy Bag. ``direction`` is that
    of ``Net.mark``. The network travels to the workers as for :func:`lookup`: once per worker,
    loaded once per process, with the memory limit of the calling process; each partition is
    marked up by one pattern applyer.
    """
    if not isinstance(net, Net):
        raise TypeError("net must be a kora.Net, not %s" % type(net).__name__)
    if what not in ("mark", "extract", "count"):
        raise ValueError("what must be 'mark', 'extract' or 'count', not %r" % (what,))
    if direction not in (None, "down", "up"):
        raise ValueError("direction must be 'down', 'up' or None, not %r" % (direction,))
    if not isinstance(collection, dask.bag.Bag):
        raise TypeError("collection must be a dask Bag, not %s" % type(collection).__name__)
    data = net.to_bytes()
    digest = hashlib.sha256(data).hexdigest()
    return collection.map_partitions(_mark_partition, _shipped(data, digest), digest, what,
                                     direction, memory_limit())
