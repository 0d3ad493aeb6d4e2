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
its message; its warnings are issued as :class:`kora.Warning`.
"""

import os
import tempfile

from . import _kora
from ._kora import Error, Net, Warning, from_bytes, regex, version

__all__ = ["Error", "Net", "Warning", "from_bytes", "lexicon", "load", "regex", "version", "words"]


def lexicon(path):
    """Compiles the lexicon source file ``path`` into a network."""
    return _kora.lexicon(os.fsdecode(path))


def load(path):
    """The first network of the network file ``path``."""
    return _kora.load(os.fsdecode(path))


def _spaced(word):
    """A string as a line of spaced text: one symbol per character, each written literally."""
    if word == "":
        return "0"
    if "\n" in word or "\r" in word:
        raise ValueError("a word cannot hold a line break: %r" % (word,))
    return " ".join("%" + character for character in word)


_native_save = Net.save
Net.save = lambda net, path: _native_save(net, os.fsdecode(path))
Net.save.__doc__ = _native_save.__doc__


def words(source):
    """The minimal network of a word list.

    ``source`` is either the name of a word-list file (one word per line, every character a
    symbol) or an iterable of words: strings, or (upper, lower) pairs of strings, which make a
    transducer whose paths map each upper string to its lower string, symbol by symbol from the
    left. Every character of an iterable's strings is a symbol of its own, the empty string
    included as a word.
    """
    if isinstance(source, (str, bytes, os.PathLike)):
        return _kora.read_words(os.fsdecode(source))
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as out:
        name = out.name
        try:
            out.write("# -*- coding: utf-8 -*-\n")
            for item in source:
                if isinstance(item, str):
                    out.write(_spaced(item) + "\n\n")
                else:
                    upper, lower = item
                    out.write(_spaced(upper) + "\n" + _spaced(lower) + "\n\n")
        except BaseException:
            out.close()
            os.unlink(name)
            raise
    try:
        return _kora.read_words(name, spaced=True)
    finally:
        os.unlink(name)
