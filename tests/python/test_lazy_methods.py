"""Every method of kora.Net on a lazy network: it answers as on the composition built eagerly,
or raises kora.Error saying that the network is lazy, never answering from the part made so far
(the lazy network is looked up in first, so that part exists). A method added to kora.Net
without a line here fails the test."""

import pickle

import pytest

import kora

OTHER = kora.regex("a:c | c a t")


def lookups(net):
    return [(w, sorted(net.generate(w)), sorted(net.lookup(w))) for w in ["cat", "ab", "bb", "x"]]


def networks():
    lexicon, rule = kora.regex("{cat}:{dog} | {ab} | b"), kora.regex("a -> b")
    lazy = kora.lazy_compose(lexicon, rule)
    lazy.lookup("bb")
    return lazy, lexicon @ rule


ANSWERS = {  # as on the composition
    "lookup": lambda n: n.lookup("bb"), "generate": lambda n: n.generate("ab"),
    "apply_up": lambda n: n.apply_up("dog"), "apply_down": lambda n: n.apply_down("cat"),
    "lookup_many": lambda n: n.lookup_many(["bb", "x"]), "__contains__": lambda n: "ab" in n,
    "arity": lambda n: n.arity, "sigma": lambda n: n.sigma >= {"a", "b", "c", "d"},
    "to_bytes": lambda n: lookups(kora.from_bytes(n.to_bytes())),
    "__reduce__": lambda n: lookups(pickle.loads(pickle.dumps(n))),
    "save": lambda n: n.save("lazy.fst") or lookups(kora.load("lazy.fst")),
}
NEEDS_WHOLE = {  # kora.Error
    "__len__": len, "__bool__": bool, "paths": lambda n: list(n.paths()),
    "states": lambda n: n.states(), "add_state": lambda n: n.add_state(),
    "add_symbols": lambda n: n.add_symbols(["z"]), "repeat": lambda n: n.repeat(1, 2),
    "closure": lambda n: n.closure(), "project": lambda n: n.project("upper"),
    "suggest": lambda n: n.suggest("bat"), "suggest_many": lambda n: n.suggest_many(["bat"]),
    "suggest (errors)": lambda n: OTHER.suggest("bat", errors=n),
    "mark": lambda n: n.mark("a cat"), "extract": lambda n: n.extract("a cat"),
    "count": lambda n: n.count("a cat"), "patterns_many": lambda n: n.patterns_many(["a cat"]),
    "equivalent": lambda n: n.equivalent(OTHER), "dot": lambda n: n.dot(),
}
for name in ["is_empty", "num_states", "num_arcs", "start", "is_deterministic", "is_epsilon_free",
             "is_acyclic", "is_acceptor", "is_transducer", "is_functional"]:
    NEEDS_WHOLE[name] = lambda n, name=name: getattr(n, name)
for name in ["copy", "minimize", "determinize", "optimize", "__invert__", "star", "plus",
             "optional", "ques", "reverse", "invert", "upper", "lower"]:
    NEEDS_WHOLE[name] = lambda n, name=name: getattr(n, name)()
for name in ["union", "concat", "intersect", "difference", "compose", "cross", "__or__",
             "__add__", "__and__", "__sub__", "__matmul__"]:
    NEEDS_WHOLE[name] = lambda n, name=name: getattr(n, name)(OTHER)
    NEEDS_WHOLE[name + " (second)"] = lambda n, name=name: getattr(OTHER, name)(n)
TAKE_A_STATE = {  # a lazy network gives out no state to take: another's is a ValueError
    "add_arc": lambda n: n.add_arc(OTHER.start, "a", OTHER.start),
    "set_final": lambda n: n.set_final(OTHER.start),
    "set_start": lambda n: n.set_start(OTHER.start),
}
DESCRIBE = {  # what the network is, not its language
    "is_lazy": lambda n: n.is_lazy, "__repr__": lambda n: repr(n) == "<kora.Net: lazy, transducer>",
    "__str__": lambda n: "Virtual compose: " in str(n) and "\nOperand 2:\n" in str(n),
    "_repr_svg_": lambda n: n._repr_svg_() is None,  # dot() raises
}


def test_every_method_has_a_line():
    names = {name for name in dir(kora.Net) if not name.startswith("_")}
    names |= {"_repr_svg_", "__len__", "__bool__", "__contains__", "__str__", "__repr__",
              "__reduce__", "__or__", "__add__", "__and__", "__sub__", "__matmul__", "__invert__"}
    assert names == set(ANSWERS) | set(DESCRIBE) | {n.split(" ")[0] for n in NEEDS_WHOLE} \
        | set(TAKE_A_STATE)


@pytest.mark.parametrize("name", sorted(ANSWERS) + sorted(NEEDS_WHOLE) + sorted(TAKE_A_STATE)
                         + sorted(DESCRIBE))
def test_answers_as_the_composition_or_raises(name, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    lazy, eager = networks()
    if name in ANSWERS:
        assert ANSWERS[name](lazy) == ANSWERS[name](eager)
    elif name in DESCRIBE:
        assert DESCRIBE[name](lazy) is True
    elif name in TAKE_A_STATE:
        with pytest.raises(ValueError, match="state of another network"):
            TAKE_A_STATE[name](lazy)
    else:
        with pytest.raises(kora.Error, match="the network is lazy"):
            NEEDS_WHOLE[name](lazy)
    assert lookups(lazy) == lookups(eager)
