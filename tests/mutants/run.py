#!/usr/bin/env python3
"""Puts the deliberate faults of faults.txt into the source tree one at a time and tells which
the test suite catches.

For each fault: the anchor text is replaced in its file, the build directory is rebuilt with
ninja, the whole suite runs through ctest (stopping at the first failure), and the file is put
back byte for byte, whatever happens (an error, Ctrl-C, SIGTERM), which `git diff --quiet`
then confirms. The result is one of

  caught       a test failed; the first failing test is named
  caught (timeout)  the first failing test ran past the time allowed to one test
  missed       the whole suite passed with the fault in place
  stale        the anchor is not in the file exactly once: faults.txt needs updating
  build-fails  the tree did not build with the fault (the fault itself is wrong)

Expected build: a Release build without sanitizers, with the Python module, configured in a
checkout of its own that nobody edits while the script runs (the script rewrites its files):

  cmake -S . -B build-mutants -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORA_TSAN=OFF
  tests/mutants/run.py build-mutants --table tests/mutants/baseline.txt

(KORA_TSAN=OFF spares a second compilation of the library per fault; the Python module is
built whenever Python 3 and pybind11 are found, as KORA_PYTHON's default says.) A full run
takes 60 to 80 minutes on two cores. Before the faults, the unmodified tree is built and the
suite run once: it must pass, or no verdict would mean anything.

Usage: run.py BUILD_DIR [ID_OR_PATTERN ...] [--table FILE] [--timeout SECONDS] [--jobs N]
              [--tests REGEX] [--skip-clean-run]
       run.py BUILD_DIR --list      (checks the anchors only, builds nothing)
"""

import argparse
import fnmatch
import os
import re
import selectors
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
TREE = HERE.parent.parent


class Interrupted(Exception):
    """SIGTERM or SIGHUP, handled like Ctrl-C."""


def on_signal(signum, frame):
    raise Interrupted(signal.Signals(signum).name)


# --- The fault list ------------------------------------------------------------------------------

def read_faults(path):
    """The entries of the fault list, in order, as dicts; exits on a malformed list."""
    faults, entry, problems = [], {}, []
    keys = ("id", "file", "find", "replace", "about", "group")
    lines = path.read_text(encoding="utf-8").split("\n")
    for number, line in enumerate(lines + [""], 1):
        if line.startswith("#"):
            continue
        if line.strip() == "":
            if entry:
                faults.append(entry)
                entry = {}
            continue
        key, colon, value = line.partition(":")
        if colon == "" or key not in keys:
            problems.append("%s:%d: not a 'key: value' line with a known key" % (path, number))
            continue
        entry[key] = value[1:] if value.startswith(" ") else value
        entry.setdefault("line", number)
    seen = set()
    for fault in faults:
        where = "%s:%d" % (path, fault["line"])
        missing = [k for k in ("id", "file", "find", "replace", "about") if k not in fault]
        if missing:
            problems.append("%s: entry without %s" % (where, ", ".join(missing)))
        elif fault["id"] in seen:
            problems.append("%s: id %s given twice" % (where, fault["id"]))
        elif fault["find"] == "":
            problems.append("%s: empty find text" % where)
        seen.add(fault.get("id"))
    if problems:
        sys.exit("\n".join(problems))
    return faults


def choose(faults, patterns):
    if not patterns:
        return faults
    chosen = [f for f in faults if any(fnmatch.fnmatchcase(f["id"], p) for p in patterns)]
    unknown = [p for p in patterns if not any(fnmatch.fnmatchcase(f["id"], p) for f in faults)]
    if unknown:
        sys.exit("No fault matches: " + ", ".join(unknown))
    return chosen


def anchor_count(fault):
    path = TREE / fault["file"]
    if not path.is_file():
        return 0
    return path.read_bytes().count(fault["find"].encode("utf-8"))


# --- Commands ------------------------------------------------------------------------------------

def kill_group(process):
    """Ends a command started in a session of its own, with everything it started."""
    if process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    process.wait()


def build(build_dir, jobs, log):
    """Rebuilds the tree; True when it built."""
    with open(log, "wb") as out:
        process = subprocess.Popen(["ninja", "-C", str(build_dir), "-j", str(jobs)], stdout=out,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        try:
            return process.wait() == 0
        finally:
            kill_group(process)


START = re.compile(rb"^\s*Start\s+(\d+): (\S+)")
DONE = re.compile(rb"^\s*\d+/\d+ Test\s+#(\d+): (\S+) \.*\s*(.*?)\s+[\d.]+ sec")


def run_suite(build_dir, jobs, timeout, log, only=None):
    """Runs the suite through ctest, stopping at the first failure. A test that runs longer than
    `timeout` seconds is stopped by ctest (or, when the test's own TIMEOUT property is longer,
    by this function, which then ends ctest). Returns (first failing test or None, whether it
    failed by a timeout, whether ctest ran any test)."""
    command = ["ctest", "--test-dir", str(build_dir), "-j", str(jobs), "--stop-on-failure",
               "--timeout", str(timeout), "--output-on-failure"] + (["-R", only] if only else [])
    running, failure, ran = {}, None, False
    with open(log, "wb") as out:
        process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        try:
            selector = selectors.DefaultSelector()
            selector.register(process.stdout, selectors.EVENT_READ)
            pending = b""
            while True:
                for _ in selector.select(timeout=1.0):
                    chunk = os.read(process.stdout.fileno(), 65536)
                    if not chunk:
                        selector.unregister(process.stdout)
                        break
                    out.write(chunk)
                    pending += chunk
                    *lines, pending = pending.split(b"\n")
                    for line in lines:
                        if m := START.match(line):
                            running[m.group(1)] = (m.group(2).decode(), time.monotonic())
                        elif m := DONE.match(line):
                            ran = True
                            running.pop(m.group(1), None)
                            status = m.group(3).decode().strip("* ")
                            if not status.startswith("Passed") and failure is None:
                                failure = (m.group(2).decode(), status.startswith("Timeout"))
                if not selector.get_map():
                    break
                now = time.monotonic()
                late = [name for name, start in running.values() if now - start > timeout + 10]
                if late:
                    out.write(b"\n*** run.py: %s ran past %d s; ctest stopped\n"
                              % (late[0].encode(), timeout))
                    kill_group(process)
                    if failure is None:
                        failure = (late[0], True)
                    break
            process.wait()
        finally:
            kill_group(process)
    if failure is None and process.returncode not in (0, None) and ran:
        failure = ("(ctest exited with %d)" % process.returncode, False)
    return failure, ran


# --- One fault -----------------------------------------------------------------------------------

def git_clean(relative):
    return subprocess.run(["git", "-C", str(TREE), "diff", "--quiet", "--", relative]).returncode == 0


def write_atomically(path, data, mode):
    handle, temporary = tempfile.mkstemp(dir=str(path.parent), prefix="." + path.name + ".")
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(data)
        os.chmod(temporary, mode)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


def restore(path, relative, original, mode):
    """Puts the file back; signals wait until it is back. Exits when it cannot be confirmed."""
    blocked = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}
    signal.pthread_sigmask(signal.SIG_BLOCK, blocked)
    try:
        write_atomically(path, original, mode)
        if path.read_bytes() != original or not git_clean(relative):
            sys.exit("*** %s could not be restored: check it with git diff before anything else"
                     % relative)
    finally:
        signal.pthread_sigmask(signal.SIG_UNBLOCK, blocked)


def try_fault(fault, args, logs):
    """Applies one fault, builds, runs the suite and restores the file; returns (result, first
    failing test)."""
    relative = fault["file"]
    path = TREE / relative
    original = path.read_bytes()
    find = fault["find"].encode("utf-8")
    if original.count(find) != 1:
        return "stale", "anchor found %d times" % original.count(find)
    mode = path.stat().st_mode & 0o7777
    mutated = original.replace(find, fault["replace"].encode("utf-8"), 1)
    try:
        write_atomically(path, mutated, mode)
        if not build(args.build_dir, args.jobs, logs / (fault["id"] + ".build.log")):
            return "build-fails", ""
        failure, ran = run_suite(args.build_dir, args.jobs, args.timeout,
                                 logs / (fault["id"] + ".test.log"), args.tests)
        if not ran:
            return "error", "ctest ran no test"
        if failure is None:
            return "missed", ""
        name, timed_out = failure
        return ("caught (timeout)" if timed_out else "caught"), name
    finally:
        restore(path, relative, original, mode)


# --- The table -----------------------------------------------------------------------------------

def table(rows):
    headers = ("id", "result", "seconds", "file", "first failing test", "fault")
    lines = []
    cells = [headers] + [(f["id"], result, "%d" % seconds, f["file"], test or "-",
                          f["about"] + (" [blind spot]" if f.get("group") == "blind-spot" else ""))
                         for f, result, test, seconds in rows]
    widths = [max(len(row[i]) for row in cells) for i in range(len(headers) - 1)]
    for row in cells:
        lines.append("  ".join(c.ljust(w) for c, w in zip(row, widths)) + "  " + row[-1])
    return lines


def summary(rows):
    counts = {}
    for _, result, _, _ in rows:
        key = "caught" if result.startswith("caught") else result
        counts[key] = counts.get(key, 0) + 1
    order = ["caught", "missed", "stale", "build-fails", "error"]
    text = ", ".join("%d %s" % (counts[k], k) for k in order if k in counts)
    missed = [f["id"] for f, result, _, _ in rows if result == "missed"]
    return ["%d faults: %s" % (len(rows), text)] + (["missed: " + ", ".join(missed)] if missed else [])


def cache_value(build_dir, name):
    cache = build_dir / "CMakeCache.txt"
    for line in cache.read_text(errors="replace").splitlines():
        if line.startswith(name + ":"):
            return line.partition("=")[2]
    return None


def check_build_dir(build_dir):
    if not (build_dir / "CMakeCache.txt").is_file():
        sys.exit("%s is not a configured build directory" % build_dir)
    home = cache_value(build_dir, "CMAKE_HOME_DIRECTORY")
    if home is None or Path(home).resolve() != TREE:
        sys.exit("%s builds %s, not this tree (%s)" % (build_dir, home, TREE))
    if cache_value(build_dir, "CMAKE_GENERATOR") != "Ninja":
        sys.exit("%s is not a Ninja build" % build_dir)
    wanted = {"CMAKE_BUILD_TYPE": "Release", "KORA_SANITIZE": "OFF", "KORA_PYTHON": "ON"}
    for name, value in wanted.items():
        if cache_value(build_dir, name) != value:
            print("note: %s is %s here, not %s as the timings assume"
                  % (name, cache_value(build_dir, name), value), file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build_dir", type=Path, help="a Ninja build directory of this tree")
    parser.add_argument("ids", nargs="*", help="fault ids or shell patterns (default: all)")
    parser.add_argument("--faults", type=Path, default=HERE / "faults.txt")
    parser.add_argument("--table", type=Path, help="also write the table to this file")
    parser.add_argument("--timeout", type=int, default=120, help="seconds allowed to one test")
    parser.add_argument("--jobs", type=int, default=2, help="ninja and ctest jobs")
    parser.add_argument("--tests", metavar="REGEX",
                        help="run only the tests ctest -R selects (to check a new test; a table "
                             "for comparison runs them all)")
    parser.add_argument("--list", action="store_true", help="only check the anchors")
    parser.add_argument("--skip-clean-run", action="store_true",
                        help="do not run the suite on the unmodified tree first")
    args = parser.parse_args()
    args.build_dir = args.build_dir.resolve()
    faults = choose(read_faults(args.faults), args.ids)

    if args.list:
        for fault in faults:
            count = anchor_count(fault)
            state = "ok" if count == 1 else "stale (%d matches)" % count
            print("%-32s %-18s %s" % (fault["id"], state, fault["file"]))
        return

    check_build_dir(args.build_dir)
    dirty = sorted({f["file"] for f in faults if (TREE / f["file"]).exists() and not git_clean(f["file"])})
    if dirty:
        sys.exit("These files have changes of their own; commit or restore them first:\n  "
                 + "\n  ".join(dirty))
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    logs = args.build_dir / "mutants"
    logs.mkdir(exist_ok=True)
    began = time.monotonic()
    rows = []
    try:
        print("Building the unmodified tree ...", flush=True)
        if not build(args.build_dir, args.jobs, logs / "clean.build.log"):
            sys.exit("The unmodified tree does not build: see %s" % (logs / "clean.build.log"))
        if not args.skip_clean_run:
            started = time.monotonic()
            failure, ran = run_suite(args.build_dir, args.jobs, args.timeout, logs / "clean.test.log",
                                     args.tests)
            if failure is not None or not ran:
                sys.exit("The suite fails on the unmodified tree (%s): see %s"
                         % (failure[0] if failure else "no test ran", logs / "clean.test.log"))
            print("The suite passes on the unmodified tree (%d s)." % (time.monotonic() - started),
                  flush=True)
        for number, fault in enumerate(faults, 1):
            started = time.monotonic()
            result, test = try_fault(fault, args, logs)
            seconds = time.monotonic() - started
            rows.append((fault, result, test, seconds))
            print("[%d/%d] %-32s %-16s %4d s  %s" % (number, len(faults), fault["id"], result,
                                                     seconds, test), flush=True)
    except (KeyboardInterrupt, Interrupted):
        print("\nInterrupted; the tree is as it was. Partial table:", file=sys.stderr)
    finally:
        # The object files of the last fault are replaced by those of the restored source.
        if rows:
            build(args.build_dir, args.jobs, logs / "clean.build.log")

    elapsed = time.monotonic() - began
    commit = subprocess.run(["git", "-C", str(TREE), "rev-parse", "--short", "HEAD"],
                            capture_output=True, text=True).stdout.strip()
    lines = table(rows) + [""] + summary(rows)
    lines.append("Run of %s at commit %s, %s build, %d jobs, %d s per test: %d min in all."
                 % (time.strftime("%Y-%m-%d"), commit, cache_value(args.build_dir, "CMAKE_BUILD_TYPE"),
                    args.jobs, args.timeout, round(elapsed / 60))
                 + (" Only the tests matching %s ran." % args.tests if args.tests else ""))
    print("\n".join([""] + lines))
    if args.table is not None:
        args.table.write_text("\n".join(lines) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
