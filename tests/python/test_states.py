"""States and arcs: listing a network and building it again by hand gives an equivalent one, on
seeded random networks; the spelling of EPSILON, OTHER and the symbol ?; building on a network
that is not plain, or with another network's states, is refused; ``in``; strings and word lists
cut by a network's symbols; the stubs, names and drawing of the classes."""

import ast
import os
import pathlib
import pydoc
import stat
import subprocess

import pytest

import kora
from conftest import random_words, rng_of, seeds

LABELS = ["a", "b", "", "?", "%?", "+N", ("a", "b"), ("", "a"), ("b", ""), ("?", "a"), ("?", "?")]


def rebuild(net):
    """A new network made by hand from the states and arcs that ``net`` lists."""
    copy, number = kora.Net(), {}
    states = list(net.states())
    for state in states:
        number[state] = copy.start if state == net.start else copy.add_state()
    for state in states:
        copy.set_final(number[state], state.is_final)
        for arc in state.arcs():
            copy.add_arc(number[state], arc.label, number[arc.nextstate])
    copy.add_symbols(net.sigma)
    return copy


def random_net(rng, acyclic, labels=LABELS):
    """A network of up to 6 states with random arcs (forward only when ``acyclic``)."""
    net = kora.Net()
    states = [net.start] + [net.add_state(final=rng.random() < 0.4) for _ in range(rng.randint(1, 5))]
    for _ in range(rng.randint(1, 10)):
        i = rng.randrange(len(states) - 1 if acyclic else len(states))
        j = rng.randrange(i + 1, len(states)) if acyclic else rng.randrange(len(states))
        net.add_arc(states[i], rng.choice(labels), states[j])
    return net


@pytest.mark.parametrize("seed", seeds(20))
def test_paths_written_as_regexes_compile_back_to_each_side(seed):
    # Without OTHER, which a regular expression's ? does not mean: the symbol ?, "+N", EPSILON.
    labels = [label for label in LABELS + ["0", "%", "a b"] if "?" not in label]
    net = random_net(rng_of(seed), acyclic=True, labels=labels)
    paths = list(net.paths(regex=True))
    for side, index in (("upper", 0), ("lower", 1)):
        compiled = [kora.regex(path[index]) for path in paths]
        assert kora.union(kora.Net(), *compiled).equivalent(net.project(side))
    assert sorted(kora.regex("%? | %0 %+N c | a:0 b").paths(regex=True)) == [
        ("%0 %+N c", "%0 %+N c"), ("%?", "%?"), ("a b", "b")]


@pytest.mark.parametrize("seed", seeds(20))
def test_listing_and_rebuilding_gives_an_equivalent_network(seed):
    rng = rng_of(seed)
    for net in [random_net(rng, acyclic=False), kora.words(sorted(random_words(rng, 5))),
                kora.regex("[a:b | ? | %?:0]* c"), kora.regex("a - a")]:
        copy = rebuild(net)
        assert copy.equivalent(net), seed
        assert [s.index for s in net.states()] == list(range(net.num_states))
        assert net.start.index == 0


def test_arcs_spell_epsilon_other_and_the_symbol_question_mark():
    net = kora.regex("[? | %? | a:0 | ?:b]")
    labels = {arc.label for arc in net.start.arcs()}  # OTHER is spelled out over the sigma
    assert labels == {"?", "%?", "a", "b", ("a", ""), ("?", "b"), ("%?", "b"), ("a", "b")}
    arc = next(a for a in net.start.arcs() if a.label == ("a", ""))
    assert (arc.upper, arc.lower, arc.nextstate.is_final) == ("a", kora.EPSILON, True)
    assert net.sigma == {kora.OTHER, "%?", "a", "b"}
    assert "x" in net and "?" in net and "b" in net and "a" in net and "xy" not in net


def test_a_network_built_by_hand():
    net = kora.Net()
    assert net.is_empty and net.start.arcs() == [] and not net.start.is_final
    end = net.add_state(final=True)
    net.add_arc(net.start, "c", end)
    net.add_arc(net.start, "c", end)  # no second arc
    net.add_arc(end, ("a", "b"), end)
    assert net.num_arcs == 2 and not net.is_empty
    assert sorted(net.paths(2)) == [("c", "c"), ("ca", "cb")]
    net.set_final(end, False)
    net.set_final(net.start)
    net.set_start(end)
    assert net.start == end and list(net.paths()) == []
    assert "" in kora.Net().star()


def test_building_is_refused_where_it_cannot_be_done(tmp_path):
    net, other = kora.Net(), kora.Net()
    with pytest.raises(ValueError, match="another network"):
        net.add_arc(net.start, "a", other.start)
    with pytest.raises(TypeError, match="label must be"):
        net.add_arc(net.start, 1, net.start)
    # A network saved with a reduced labelset or compacted is listed and counted as its plain
    # form and not built on.
    plain = kora.regex("{bat}|{bit}|{cat}|{cot}|{cut}|{hit}|{hot}|{hut}")
    plain.save(tmp_path / "plain.fst")
    for option, name in (("--reduce", "small.fst"), ("--compact", "compact.fst")):
        subprocess.run([os.environ["KORA_TOOL"], "optimize", option, "-o", str(tmp_path / name),
                        str(tmp_path / "plain.fst")], check=True, stdout=subprocess.DEVNULL)
    compacted = kora.load(tmp_path / "compact.fst")
    assert len(compacted) == 8 and rebuild(compacted).equivalent(plain)
    assert compacted.lookup("cot") == ["cot"]
    small = kora.load(tmp_path / "small.fst")
    assert len(small) == 8
    assert small.num_arcs < plain.num_arcs and rebuild(small).equivalent(plain)
    with pytest.raises(kora.Error, match="plain representation"):
        small.add_state()
    assert small.copy().add_state().index == plain.num_states


def test_symbols_cut_strings_by_longest_match():
    grammar = kora.regex("{cat} %+N (%+Pl) | {cat} %+V")
    assert kora.words(["cat+N+Pl"]).sigma == {"c", "a", "t", "+", "N", "P", "l"}
    assert kora.words(["cat+N+Pl"], symbols=grammar).sigma == {"c", "a", "t", "+N", "+Pl"}
    assert kora.string("cat+N+Pl", symbols=grammar).equivalent(kora.regex("{cat} %+N %+Pl"))
    assert kora.string("+N+", symbols=["+", "+N", "+N+P"]).equivalent(kora.regex("%+N %+"))
    assert kora.words([("cat+N", "cat")], symbols=grammar).generate("cat+N") == ["cat"]
    with pytest.raises(TypeError):
        kora.string("x", symbols="+N")


def test_names_stubs_and_documentation():
    assert "anonymous" not in pydoc.render_doc(kora, renderer=pydoc.plaintext)
    assert kora.Net.__module__ == "kora" and kora.State.__module__ == "kora"
    assert "Warning" not in kora.__all__ and issubclass(kora.KoraWarning, UserWarning)
    package = pathlib.Path(kora.__file__).parent
    assert (package / "py.typed").exists()
    stubbed = set()
    for stub in ("__init__.pyi", "_kora.pyi"):
        for node in ast.walk(ast.parse((package / stub).read_text())):
            if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
                stubbed.add(node.name)
            elif isinstance(node, (ast.AnnAssign)):
                stubbed.add(node.target.id)
            elif isinstance(node, ast.alias):
                stubbed.add(node.asname or node.name)
    assert set(kora.__all__) <= stubbed
    for cls in (kora.Net, kora.State, kora.Arc):
        public = {name for name in vars(cls) if not name.startswith("_")}
        assert public <= stubbed, public - stubbed
        for name in public:
            assert getattr(cls, name).__doc__, name
    for name in kora.__all__:
        value = getattr(kora, name)
        assert callable(value) is False or value.__doc__, name


def test_svg_drawing_uses_dot_when_it_is_on_the_path(tmp_path, monkeypatch):
    monkeypatch.setenv("PATH", str(tmp_path))
    assert kora.regex("a")._repr_svg_() is None
    dot = tmp_path / "dot"
    dot.write_text('#!/bin/sh\nread -r first\n[ "$first" = "digraph {" ] && echo "<svg>"\n'
                   'while read -r line; do :; done\n')
    dot.chmod(dot.stat().st_mode | stat.S_IEXEC)
    assert kora.regex("a")._repr_svg_() == "<svg>\n"
    assert kora.words(["a" * 1001])._repr_svg_() is None  # more states than dot() draws
