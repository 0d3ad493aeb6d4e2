"""Every public function and method of the kora module refuses a wrong argument before the
library sees it: TypeError for the wrong kind, ValueError for a value the library would take
as something else (a NUL character cutting a C string short, a negative count), each message
naming the argument (docs/python.md shows a few more). Right arguments of every accepted kind
still work."""

import pathlib

import pytest

import kora

NET = kora.regex("{cat}:{chat} | a b")

# (what is called, the message it raises)
TYPE_ERRORS = [
    (lambda: kora.regex(1), "source must be str, not int"),
    (lambda: kora.regex(b"a"), "source must be str, not bytes"),
    (lambda: kora.lexicon(1), "path must be a str, bytes or os.PathLike, not int"),
    (lambda: kora.load(None), "path must be a str, bytes or os.PathLike, not NoneType"),
    (lambda: kora.words(1), "source must be a path or an iterable of words, not int"),
    (lambda: kora.words(["a", 1]),
     "source[1] must be a str or an (upper, lower) pair of str, not int"),
    (lambda: kora.words([("a", 1)]), "source[0][1] must be str, not int"),
    (lambda: kora.words([("a", "b", "c")]),
     "source[0] must be a str or an (upper, lower) pair of str, not tuple"),
    (lambda: kora.from_bytes("text"), "data must be bytes-like, not str"),
    (lambda: NET.generate(1), "input must be str, not int"),
    (lambda: NET.lookup(b"chat"), "input must be str, not bytes"),
    (lambda: NET.lookup_many(["cat", None]), "inputs[1] must be str, not NoneType"),
    (lambda: NET.lookup_many("cat"), "inputs must be an iterable of str, not str"),
    (lambda: NET.lookup_many(5), "inputs must be an iterable of str, not int"),
    (lambda: NET.lookup_many(["cat"], direction=0), "direction must be str, not int"),
    (lambda: NET.repeat("2"), "min must be an int, not str"),
    (lambda: NET.repeat(1, 2.5), "max must be an int, not float"),
    (lambda: NET.paths(1.0), "limit must be an int, not float"),
    (lambda: NET.dot("10"), "max_states must be an int, not str"),
    (lambda: NET.save(3), "path must be a str, bytes or os.PathLike, not int"),
    (lambda: NET.equivalent("a"), "other must be a kora.Net, not str"),
]

VALUE_ERRORS = [
    (lambda: NET.repeat(-1), "min must be 0 or more, not -1"),
    (lambda: NET.repeat(0, -2), "max must be 0 or more, not -2"),
    (lambda: NET.repeat(2 ** 40), "min must be at most 2147483647, not 1099511627776"),
    (lambda: NET.paths(-1), "limit must be 0 or more, not -1"),
    (lambda: NET.dot(2 ** 70), "max_states must be at most 9223372036854775807, not "
                               "1180591620717411303424"),
    (lambda: kora.regex("a\0b"), "source contains a NUL character"),
    (lambda: kora.words(["a", "a\0b"]), "source[1] contains a NUL character"),
    (lambda: kora.words([("a", "b\0")]), "source[0][1] contains a NUL character"),
    (lambda: NET.generate("cat\0x"), "input contains a NUL character"),
    (lambda: NET.lookup("\0"), "input contains a NUL character"),
    (lambda: NET.lookup_many(["cat", "a\0"]), "inputs[1] contains a NUL character"),
    (lambda: NET.lookup_many(["cat"], direction="do\0wn"), "direction contains a NUL character"),
    (lambda: kora.load("x.fst\0y"), "path contains a NUL character"),
    (lambda: kora.lexicon(b"x\0y"), "path contains a NUL character"),
    (lambda: kora.words("x\0y"), "source contains a NUL character"),
    (lambda: NET.save(pathlib.Path("x\0y")), "path contains a NUL character"),
]


@pytest.mark.parametrize("call, message", TYPE_ERRORS, ids=[m for _, m in TYPE_ERRORS])
def test_a_wrong_kind_is_a_type_error_naming_the_argument(call, message):
    with pytest.raises(TypeError) as raised:
        call()
    assert str(raised.value) == message


@pytest.mark.parametrize("call, message", VALUE_ERRORS, ids=[m for _, m in VALUE_ERRORS])
def test_a_value_the_library_cannot_take_is_a_value_error(call, message):
    with pytest.raises(ValueError) as raised:
        call()
    assert str(raised.value) == message


def test_every_accepted_kind_still_works(tmp_path):
    a = kora.regex("a")
    assert sorted(a.repeat(0, 2).paths()) == [("", ""), ("a", "a"), ("aa", "aa")]
    assert list(a.repeat(2, 2).paths()) == [("aa", "aa")]
    assert list(a.repeat(True).paths(2)) == [("a", "a"), ("aa", "aa")]
    assert list(NET.paths(0)) == []
    data = NET.to_bytes()
    for form in (data, bytearray(data), memoryview(data)):
        assert kora.from_bytes(form).equivalent(NET)
    for path in (tmp_path / "net.fst", str(tmp_path / "n2.fst"), bytes(tmp_path / "n3.fst")):
        NET.save(path)
        assert kora.load(path).equivalent(NET)
    assert NET.lookup_many(iter(["cat", "ab"]), direction="down") == [["chat"], ["ab"]]
    assert NET.lookup_many(("chat",)) == [["cat"]]
