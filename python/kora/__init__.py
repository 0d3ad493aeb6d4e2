"""kora: finite-state networks (automata and transducers) from Python.

Networks come from regular expressions, lexicon files, word lists, strings, saved network files,
or are built by hand::

    import kora
    nouns = kora.regex("{cat} | {dog}")
    plural = kora.cross("cat", "cats") | kora.cross("dog", "dogs")
    animals = kora.words(["cat", "dog", "mouse"])
    "cat" in animals             # True
    plural.generate("cat")       # ['cats']
    plural.lookup("cats")        # ['cat']: lookup analyses (applies up)

Operations never change their operands; each returns a new network. They are functions
(``kora.union``, ``concat``, ``intersect``, ``difference``, ``compose``, ``cross``, ``closure``,
``plus``, ``ques``, ``project``, ``invert``, ``determinize``, ``minimize``, ``optimize``), methods
of :class:`Net` of the same names, and operators: ``a | b`` union, ``a + b`` concatenation,
``a & b`` intersection, ``a - b`` difference, ``~a`` complement, ``a @ b`` composition.

Symbols are strings: EPSILON (the empty string) is ``""`` (:data:`EPSILON`), OTHER (any symbol
the network does not know) is ``"?"`` (:data:`OTHER`), and the symbol ``?`` itself is ``"%?"``.
Networks pickle as the bytes of a network file. The library's refusals raise :class:`kora.Error`
with its message; its warnings are issued as :class:`kora.KoraWarning`. Arguments are checked
first: a wrong kind raises TypeError, a value the library cannot take (a NUL character, a
negative count) ValueError. The library holds at most :func:`memory_limit` bytes (half of the
machine's physical memory unless :func:`set_memory_limit` says otherwise): a call that would
hold more raises MemoryError, and the module goes on working.
"""

import functools
import os
import shutil
import subprocess
import tempfile

from . import _kora
from ._kora import (Arc, Error, KoraWarning, Net, Paths, State, from_bytes, lexicon, load,
                    memory_limit, regex, set_memory_limit, version)

__all__ = ["Arc", "EPSILON", "Error", "KoraWarning", "Net", "OTHER", "Paths", "State", "closure",
           "compose", "concat", "cross", "determinize", "difference", "from_bytes", "intersect",
           "invert", "lazy_compose", "lexicon", "load", "memory_limit", "minimize", "optimize",
           "plus", "project", "ques", "regex", "set_memory_limit", "string", "union", "version",
           "words"]

EPSILON = ""
"""The empty string as an arc's symbol."""

OTHER = "?"
"""Any symbol the network does not know, as an arc's symbol (the symbol ``?`` is ``"%?"``)."""


# --- Strings and word lists ----------------------------------------------------------------------

def _symbol_table(symbols):
    """The multi-character symbols of ``symbols`` (a Net, whose sigma gives them, or an iterable
    of str), by first character, longest first."""
    if isinstance(symbols, Net):
        names = [name for name in symbols.sigma if len(name) > 1 and name != "%?"]
    elif isinstance(symbols, str) or not hasattr(symbols, "__iter__"):
        raise TypeError("symbols must be a kora.Net or an iterable of str, not %s"
                        % type(symbols).__name__)
    else:
        names = list(symbols)
        for index, name in enumerate(names):
            if not isinstance(name, str):
                raise TypeError("symbols[%d] must be str, not %s" % (index, type(name).__name__))
    table = {}
    for name in set(names):
        if len(name) > 1:
            table.setdefault(name[0], []).append(name)
    for candidates in table.values():
        candidates.sort(key=len, reverse=True)
    return table


def _tokens(word, table):
    """``word`` cut into symbols: at each position the longest symbol of ``table`` that starts
    there, else one character."""
    tokens, i = [], 0
    while i < len(word):
        token = next((name for name in table.get(word[i], ()) if word.startswith(name, i)),
                     word[i])
        tokens.append(token)
        i += len(token)
    return tokens


def _spaced(word, name, table):
    """A string as a line of spaced text: its symbols, each character written literally.
    ``name`` names the word in the message of a TypeError or ValueError."""
    if not isinstance(word, str):
        raise TypeError("%s must be str, not %s" % (name, type(word).__name__))
    if "\0" in word:
        raise ValueError("%s contains a NUL character" % (name,))
    if "\n" in word or "\r" in word:
        raise ValueError("%s cannot hold a line break: %r" % (name, word))
    if word == "":
        return "0"
    return " ".join("".join("%" + character for character in token)
                    for token in _tokens(word, table))


def _spaced_item(item, index, table):
    """The lines of spaced text of the ``index``-th item of a word list: a word, or an (upper,
    lower) pair of words."""
    name = "source[%d]" % index
    if isinstance(item, str):
        return _spaced(item, name, table) + "\n\n"
    if not isinstance(item, (tuple, list)) or len(item) != 2:
        raise TypeError("%s must be a str or an (upper, lower) pair of str, not %s"
                        % (name, type(item).__name__))
    upper, lower = item
    return (_spaced(upper, name + "[0]", table) + "\n" + _spaced(lower, name + "[1]", table)
            + "\n\n")


def words(source, symbols=None):
    """The minimal network of a word list, as a new network.

    ``source`` is either the name of a word-list file (one word per line, every character a
    symbol) or an iterable of words: strings, or (upper, lower) pairs of strings, which make a
    transducer whose paths map each upper string to its lower string, symbol by symbol from the
    left. The strings of an iterable are cut into symbols by longest match against the
    multi-character symbols of ``symbols`` (a :class:`Net`, whose sigma gives them, or an
    iterable of str), every other character being a symbol of its own; without ``symbols`` every
    character is one. The empty string is a word; a word holding a NUL character or a line
    break raises ValueError::

        kora.words(["cat+N+Pl"], symbols=["+N", "+Pl"])   # the symbols c a t +N +Pl
    """
    table = {} if symbols is None else _symbol_table(symbols)
    if isinstance(source, (str, bytes, os.PathLike)):
        if symbols is not None:
            raise TypeError("symbols is taken with an iterable of words, not with a file")
        return _kora.read_words(source)
    try:
        items = iter(source)
    except TypeError:
        raise TypeError("source must be a path or an iterable of words, not %s"
                        % type(source).__name__) from None
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as out:
        name = out.name
        try:
            out.write("# -*- coding: utf-8 -*-\n")
            for index, item in enumerate(items):
                out.write(_spaced_item(item, index, table))
        except BaseException:
            out.close()
            os.unlink(name)
            raise
    try:
        return _kora.read_words(name, spaced=True)
    finally:
        os.unlink(name)


def string(s, symbols=None):
    """The automaton of the one string ``s``, cut into symbols as :func:`words` cuts it
    (``symbols``: a :class:`Net` or an iterable of multi-character symbols)."""
    if not isinstance(s, str):
        raise TypeError("s must be str, not %s" % type(s).__name__)
    return words([s], symbols=symbols)


# --- The calculus as functions ---------------------------------------------------------------------

def _net(value, name):
    """``value`` as a network: a Net as it is, a str as :func:`string` makes it."""
    if isinstance(value, Net):
        return value
    if isinstance(value, str):
        return string(value)
    raise TypeError("%s must be a kora.Net or a str, not %s" % (name, type(value).__name__))


def union(*nets):
    """The union of one or more networks (a str stands for its string), as a new network."""
    if not nets:
        raise TypeError("union() needs at least one network")
    return functools.reduce(Net.union, [_net(n, "nets[%d]" % i) for i, n in enumerate(nets)])


def concat(a, b):
    """``a`` followed by ``b`` (networks, or str for their strings), as a new network."""
    return _net(a, "a").concat(_net(b, "b"))


def intersect(a, b):
    """The strings (pairs) of both ``a`` and ``b``, as a new network."""
    return _net(a, "a").intersect(_net(b, "b"))


def difference(a, b):
    """The strings (pairs) of ``a`` that ``b`` lacks, as a new network."""
    return _net(a, "a").difference(_net(b, "b"))


def compose(a, b):
    """The composition of ``a`` with ``b`` (``a`` maps x to y, ``b`` maps y to z), as a new
    network."""
    return _net(a, "a").compose(_net(b, "b"))


def lazy_compose(*nets):
    """The composition of ``nets`` (a lexicon above a cascade of rules, str for their strings),
    the first one above, as a virtual network: its states are made as lookups reach them, so
    that a composition too large to build can still be looked up in. The result looks up,
    generates, saves and pickles as the composition does (nothing is expanded by saving), and
    its ``is_lazy`` is True; what needs the whole network (``len()``, ``bool()``, ``paths()``,
    ``num_states``, ``states()``, ``copy()``, ``dot()``, ``suggest()``, the calculus, ...) raises
    :class:`Error` rather than answer from the states made so far. The operands are copied::

        rules = [kora.regex("a -> b"), kora.regex("b -> c")]
        kora.lazy_compose(kora.words(["ab"]), *rules).generate("ab")   # ['cc']
    """
    if not nets:
        raise TypeError("lazy_compose() needs at least one network")
    return _kora.lazy_compose(*[_net(net, "nets[%d]" % k) for k, net in enumerate(nets)])


def cross(a, b):
    """Every string of ``a`` paired with every string of ``b`` (automata, or str for their
    strings), symbol by symbol from the left, as a new transducer::

        kora.cross("cat", "chat").generate("cat")   # ['chat']
    """
    return _net(a, "a").cross(_net(b, "b"))


def closure(net, lower=0, upper=None):
    """From ``lower`` to ``upper`` repetitions of ``net`` (``upper`` None: no maximum), as a new
    network."""
    return _net(net, "net").closure(lower, upper)


def plus(net):
    """One or more repetitions of ``net``, as a new network."""
    return _net(net, "net").plus()


def ques(net):
    """``net`` or the empty string, as a new network."""
    return _net(net, "net").ques()


def project(net, side):
    """The language of one side of ``net``, as a new automaton: ``side`` "upper" (or "input")
    or "lower" (or "output")."""
    return _net(net, "net").project(side)


def invert(net):
    """``net`` with its upper and lower sides exchanged, as a new network."""
    return _net(net, "net").invert()


def determinize(net):
    """A deterministic network of the same relation, as a new network (the minimal one: kora
    determinizes as part of minimization)."""
    return _net(net, "net").determinize()


def minimize(net):
    """The minimal network of the same relation, as a new network."""
    return _net(net, "net").minimize()


def optimize(net):
    """``net`` determinized and minimized, as a new network (the same as :func:`minimize`)."""
    return _net(net, "net").optimize()


# --- Drawing in notebooks ----------------------------------------------------------------------------

def _repr_svg_(self):
    """The network drawn as SVG by Graphviz's ``dot``, which Jupyter shows; None when ``dot`` is
    not on PATH, fails, or the network has more than 1000 states."""
    program = shutil.which("dot")
    if program is None:
        return None
    try:
        source = self.dot()
        drawn = subprocess.run([program, "-Tsvg"], input=source.encode("utf-8"),
                               capture_output=True, timeout=60, check=True)
    except (Error, OSError, subprocess.SubprocessError):
        return None
    return drawn.stdout.decode("utf-8", "replace")


Net._repr_svg_ = _repr_svg_
