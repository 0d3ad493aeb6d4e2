"""Lookup through the Python module kora, timed as a user runs it.

    python3 bench/python_lookup.py module NETFILE INPUT REPEATS
        loads the saved network and looks every line of INPUT up, REPEATS times: with
        net.lookup_many over the list of lines, and with net.lookup in a loop. Reading INPUT and
        loading the network are part of each timed run; building the network is not.
    python3 bench/python_lookup.py dask NETFILE INPUT REPEATS WORKERS
        the same lines on a distributed.LocalCluster of WORKERS single-threaded worker
        processes: dask.bag.read_text of INPUT (partitions of about 1 MB), kora.dask.lookup, and
        the number of results summed on the workers. The cluster is started before the clock.

Prints one line per mode: mode, words, best and median seconds, best and median words per
second.
"""

import statistics
import sys
import time

import kora


def report(mode, words, times):
    best, median = min(times), statistics.median(times)
    print("%s words=%d best_s=%.3f median_s=%.3f best_wps=%.0f median_wps=%.0f"
          % (mode, words, best, median, words / best, words / median), flush=True)


def read_lines(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as lines:
        return lines.read().splitlines()


def module(net_file, input_file, repeats):
    words = len(read_lines(input_file))
    for mode in ("lookup_many", "lookup_loop"):
        times = []
        for _ in range(repeats):
            start = time.perf_counter()
            net = kora.load(net_file)
            lines = read_lines(input_file)
            if mode == "lookup_many":
                results = net.lookup_many(lines)
            else:
                lookup = net.lookup
                results = [lookup(line) for line in lines]
            assert len(results) == words
            times.append(time.perf_counter() - start)
        report("python-" + mode, words, times)


def dask_lookup(net_file, input_file, repeats, workers):
    import dask.bag
    import distributed

    import kora.dask

    words = len(read_lines(input_file))
    cluster = distributed.LocalCluster(n_workers=workers, processes=True, threads_per_worker=1,
                                       dashboard_address=None)
    with distributed.Client(cluster) as client:
        client.wait_for_workers(workers)
        times = []
        for _ in range(repeats):
            start = time.perf_counter()
            net = kora.load(net_file)
            lines = dask.bag.read_text(input_file, blocksize="1MB").map(str.rstrip)
            found = kora.dask.lookup(lines, net).map(len).sum().compute()
            assert found > 0
            times.append(time.perf_counter() - start)
        report("dask-workers-%d" % workers, words, times)
    cluster.close()


if __name__ == "__main__":
    mode, net_file, input_file, repeats = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    if mode == "module":
        module(net_file, input_file, repeats)
    elif mode == "dask":
        dask_lookup(net_file, input_file, repeats, int(sys.argv[5]))
    else:
        sys.exit("usage: python_lookup.py (module | dask) NETFILE INPUT REPEATS [WORKERS]")
