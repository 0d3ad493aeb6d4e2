"""kora: finite-state networks (automata and transducers) from Python.

Networks come from regular expressions, lexicon files, word lists and saved network files::

    import kora
    nouns = kora.regex("{cat} | {dog}")
    plural = kora.regex("{cat}:{cats} | {dog}:{dogs}")
    animals = kora.words(["cat", "dog", "mouse"])
    animals.lookup("cat")        # ['cat']
    plural.invert().lookup("cats")  # ['cat']

Operators combine them without changing their operands: ``a | b`` union, ``a + b``
concatenation, ``a & b`` intersection, ``a - b`` difference, ``~a`` complement, ``a @ b``
composition; methods ``star()``, ``plus()``, ``optional()``, ``repeat()``, ``reverse()``,
``invert()``, ``upper()``, ``lower()`` and ``minimize()`` return new networks too. Networks
pickle as the bytes of a network file. The library's refusals raise :class:`kora.Error` with
its message; its warnings are issued as :class:`kora.Warning`. Arguments are checked first: a
wrong kind raises TypeError, a value the library cannot take (a NUL character, a negative
count) ValueError. The library holds at most :func:`memory_limit` bytes (half of the
machine's physical memory unless :func:`set_memory_limit` says otherwise): a call that would
hold more raises MemoryError, and the module goes on working.
"""

import os
import tempfile

from . import _kora
from ._kora import (Error, Net, Warning, from_bytes, lexicon, load, memory_limit, regex,
                    set_memory_limit, version)

__all__ = ["Error", "Net", "Warning", "from_bytes", "lexicon", "load", "memory_limit", "regex",
           "set_memory_limit", "version", "words"]


def _spaced(word, name):
    """A string as a line of spaced text: one symbol per character, each written literally.
    ``name`` names the word in the message of a TypeError or ValueError."""
    if not isinstance(word, str):
        raise TypeError("%s must be str, not %s" % (name, type(word).__name__))
    if "\0" in word:
        raise ValueError("%s contains a NUL character" % (name,))
    if "\n" in word or "\r" in word:
        raise ValueError("%s cannot hold a line break: %r" % (name, word))
    if word == "":
        return "0"
    return " ".join("%" + character for character in word)


def _spaced_item(item, index):
    """The lines of spaced text of the ``index``-th item of a word list: a word, or an (upper,
    lower) pair of words."""
    name = "source[%d]" % index
    if isinstance(item, str):
        return _spaced(item, name) + "\n\n"
    if not isinstance(item, (tuple, list)) or len(item) != 2:
        raise TypeError("%s must be a str or an (upper, lower) pair of str, not %s"
                        % (name, type(item).__name__))
    upper, lower = item
    return _spaced(upper, name + "[0]") + "\n" + _spaced(lower, name + "[1]") + "\n\n"


def words(source):
    """The minimal network of a word list.

    ``source`` is either the name of a word-list file (one word per line, every character a
    symbol) or an iterable of words: strings, or (upper, lower) pairs of strings, which make a
    transducer whose paths map each upper string to its lower string, symbol by symbol from the
    left. Every character of an iterable's strings is a symbol of its own, the empty string
    included as a word; a word holding a NUL character or a line break raises ValueError.
    """
    if isinstance(source, (str, bytes, os.PathLike)):
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
                out.write(_spaced_item(item, index))
        except BaseException:
            out.close()
            os.unlink(name)
            raise
    try:
        return _kora.read_words(name, spaced=True)
    finally:
        os.unlink(name)
