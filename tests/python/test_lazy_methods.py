"""Every method of kora.Net on a lazy network: it answers as it does on the composition built
eagerly, or raises kora.Error saying that the network is lazy; none answers from the part of
the network made so far (the lazy network is looked up in first, so that part exists). A
method added to kora.Net without a line in the table fails the test."""

import pickle

import pytest

import kora

INPUTS = ["cat", "dog", "ab", "bb", "b", "x"]


def lookups(net):
    return [(word, sorted(net.generate(word)), sorted(net.lookup(word))) for word in INPUTS]


def networks():
    lexicon, rule = kora.regex("{cat}:{dog} | {ab} | b"), kora.regex("a -> b")
    lazy = kora.lazy_compose(lexicon, rule)
    lazy.lookup("bb")  # some states made
    return lazy, lexicon @ rule


OTHER = kora.regex("a:c | c a t")

# Methods that answer on a lazy network as on the composition.
ANSWERS = {
    "lookup": lambda n: n.lookup("bb"),
    "generate": lambda n: n.generate("ab"),
    "apply_up": lambda n: n.apply_up("dog"),
    "apply_down": lambda n: n.apply_down("cat"),
    "lookup_many": lambda n: n.lookup_many(["bb", "dog", "x"]),
    "__contains__": lambda n: ["ab" in n, "x" in n],
    "arity": lambda n: n.arity,
    "sigma": lambda n: n.sigma >= {"a", "b", "c", "d", "g", "o", "t"},
    "to_bytes": lambda n: lookups(kora.from_bytes(n.to_bytes())),
    "__reduce__": lambda n: lookups(pickle.loads(pickle.dumps(n))),
    "save": lambda n: n.save("lazy-methods.fst") or lookups(kora.load("lazy-methods.fst")),
}
# Methods that describe the network rather than its language.
DESCRIPTIONS = {
    "is_lazy": (lambda n: n.is_lazy, True),
    "__repr__": (repr, "<kora.Net: lazy, transducer>"),
    "__str__": (str, "Virtual compose: "),
}
# Methods that need the whole network: kora.Error on a lazy one.
NEEDS_WHOLE = {
    "__len__": len, "__bool__": bool, "is_empty": lambda n: n.is_empty,
    "paths": lambda n: list(n.paths()), "num_states": lambda n: n.num_states,
    "num_arcs": lambda n: n.num_arcs, "states": lambda n: list(n.states()),
    "start": lambda n: n.start, "copy": lambda n: n.copy(), "dot": lambda n: n.dot(),
    "equivalent": lambda n: n.equivalent(OTHER),
    "add_state": lambda n: n.add_state(), "add_symbols": lambda n: n.add_symbols(["z"]),
    "is_deterministic": lambda n: n.is_deterministic,
    "is_epsilon_free": lambda n: n.is_epsilon_free, "is_acyclic": lambda n: n.is_acyclic,
    "is_acceptor": lambda n: n.is_acceptor, "is_transducer": lambda n: n.is_transducer,
    "is_functional": lambda n: n.is_functional,
    "repeat": lambda n: n.repeat(1, 2), "closure": lambda n: n.closure(),
    "project": lambda n: n.project("upper"),
    "suggest": lambda n: n.suggest("bat", 1),
    "suggest_many": lambda n: n.suggest_many(["bat", "dg"], 1),
    "suggest (errors)": lambda n: OTHER.suggest("bat", 1, errors=n),
    "mark": lambda n: n.mark("a cat"), "extract": lambda n: n.extract("a cat"),
    "count": lambda n: n.count("a cat"), "patterns_many": lambda n: n.patterns_many(["a cat"]),
}
for name in ["minimize", "determinize", "optimize", "__invert__", "star", "plus", "optional",
             "ques", "reverse", "invert", "upper", "lower"]:
    NEEDS_WHOLE[name] = lambda n, name=name: getattr(n, name)()
for name in ["union", "concat", "intersect", "difference", "compose", "cross", "__or__",
             "__add__", "__and__", "__sub__", "__matmul__"]:
    NEEDS_WHOLE[name] = lambda n, name=name: getattr(n, name)(OTHER)
    NEEDS_WHOLE[name + " (lazy second)"] = lambda n, name=name: getattr(OTHER, name)(n)

# Methods that take a state of the network, which a lazy one never gives out (states() and
# start raise): a state of another network is a ValueError.
TAKE_A_STATE = {
    "add_arc": lambda n: n.add_arc(OTHER.start, "a", OTHER.start),
    "set_final": lambda n: n.set_final(OTHER.start), "set_start": lambda n: n.set_start(OTHER.start),
}
NOT_METHODS = {"_repr_svg_"}  # the drawing through dot(): None when dot() raises


def outcome(call, net):
    try:
        value = call(net)
    except (kora.Error, ValueError, TypeError) as error:
        return type(error).__name__
    return lookups(value) if isinstance(value, kora.Net) else value


def test_every_method_has_a_line():
    names = {name for name in dir(kora.Net) if not name.startswith("_")}
    names |= {"__len__", "__bool__", "__contains__", "__str__", "__repr__", "__reduce__",
              "__or__", "__add__", "__and__", "__sub__", "__matmul__", "__invert__"}
    assert names - set(ANSWERS) - set(DESCRIPTIONS) - set(NEEDS_WHOLE) - set(TAKE_A_STATE) \
        - NOT_METHODS == set()


@pytest.mark.parametrize("name", sorted(ANSWERS))
def test_answers_are_those_of_the_composition(name, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    lazy, eager = networks()
    assert outcome(ANSWERS[name], lazy) == outcome(ANSWERS[name], eager)
    assert lookups(lazy) == lookups(eager)


@pytest.mark.parametrize("name", sorted(NEEDS_WHOLE))
def test_what_needs_the_whole_network_raises(name):
    lazy, eager = networks()
    with pytest.raises(kora.Error, match="lazy|virtual"):
        NEEDS_WHOLE[name](lazy)
    assert lookups(lazy) == lookups(eager)


@pytest.mark.parametrize("name", sorted(TAKE_A_STATE))
def test_what_takes_a_state_has_none_to_take(name):
    lazy, eager = networks()
    with pytest.raises(ValueError, match="state of another network"):
        TAKE_A_STATE[name](lazy)
    assert lookups(lazy) == lookups(eager)


@pytest.mark.parametrize("name", sorted(DESCRIPTIONS))
def test_descriptions_say_the_network_is_lazy(name):
    lazy, _ = networks()
    describe, expected = DESCRIPTIONS[name]
    answer = describe(lazy)
    if name == "__str__":
        assert expected in answer and "\nOperand 2:\n" in answer
    else:
        assert answer == expected
