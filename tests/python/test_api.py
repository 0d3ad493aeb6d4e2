"""The kora module against known answers: compiling, looking up, sizes, listing, paths, files,
pickling, errors and warnings, and lookups on several threads."""

import pickle
import threading

import pytest

import kora


def words_of(net):
    return sorted(upper for upper, lower in net.paths())


class TestCompilers:
    def test_lexicon_analyses_and_generates(self, examples):
        net = kora.lexicon(examples / "animals.vorn")
        assert net.lookup("mice") == ["mouse+N+Pl"]
        assert net.lookup("foxes") == ["fox+N+Pl"]
        assert net.lookup("barks") == ["bark+V+Pres+3Sg"]
        assert net.generate("walk+V+Past") == ["walked"]
        assert len(net) == 14

    def test_word_list_file_has_the_tools_sizes(self, examples):
        net = kora.words(examples / "fruits.txt")
        assert (net.num_states, net.num_arcs, len(net)) == (46, 57, 24)
        assert kora.words(str(examples / "fruits.txt")).equivalent(net)

    def test_words_of_an_iterable_keep_every_character_literal(self):
        tricky = ["", "0", "?", "%", "a b", "# x", "! y", "END;", "caf\u00e9", "\u4e2d\u6587"]
        net = kora.words(iter(tricky))
        assert words_of(net) == sorted(tricky)
        assert net.generate("a b") == ["a b"]
        assert net.generate("") == [""]
        assert net.generate("ab") == []
        assert len(net.sigma & {"0", "%?", "%", " ", "#", "!", "\u00e9"}) == 7  # "%?": the symbol ?

    def test_words_of_pairs_make_a_transducer(self):
        net = kora.words([("cat", "chat"), ("dog", "chien"), ("", "x")])
        assert net.arity == 2
        assert net.generate("cat") == ["chat"]
        assert net.lookup("chien") == ["dog"]
        assert net.generate("") == ["x"]
        assert sorted(net.paths()) == [("", "x"), ("cat", "chat"), ("dog", "chien")]

    def test_a_word_with_a_line_break_is_refused(self):
        with pytest.raises(ValueError):
            kora.words(["a\nb"])


class TestOperators:
    """Each operator is its operation, on small languages the C++ suites' laws cover in full;
    no operator changes its operands, and only networks are taken."""

    def test_each_operator_gives_its_language_and_leaves_its_operands(self):
        a, b = kora.words(["a", "ab"]), kora.words(["ab", "b"])
        assert words_of(a | b) == ["a", "ab", "b"]
        assert words_of(a & b) == ["ab"]
        assert words_of(a - b) == ["a"]
        assert words_of(a + b) == ["aab", "ab", "abab", "abb"]
        assert words_of(a.reverse()) == ["a", "ba"]
        assert words_of(a.optional()) == ["", "a", "ab"]
        assert words_of(a.repeat(2, 2)) == ["aa", "aab", "aba", "abab"]
        probes = ["", "a", "b", "aab"]
        assert (~a).lookup_many(probes) == [[""], [], ["b"], ["aab"]]
        assert a.star().lookup_many(probes) == [[""], ["a"], [], ["aab"]]
        assert a.plus().lookup_many(probes) == [[], ["a"], [], ["aab"]]
        r, s = kora.words([("a", "b"), ("b", "c")]), kora.words([("b", "x")])
        assert sorted((r @ s).paths()) == [("a", "x")]
        assert sorted(r.invert().paths()) == [("b", "a"), ("c", "b")]
        assert words_of(r.upper()) == ["a", "b"] and words_of(r.lower()) == ["b", "c"]
        assert (a + a | b).minimize().equivalent(a + a | b) and not a.equivalent(b)
        assert words_of(a) == ["a", "ab"] and words_of(b) == ["ab", "b"]
        assert sorted(r.paths()) == [("a", "b"), ("b", "c")]

    def test_operators_take_only_networks(self):
        net = kora.regex("a")
        for operation in [lambda: net | "a", lambda: net + 1, lambda: net @ None]:
            with pytest.raises(TypeError):
                operation()


class TestSizesAndListing:
    def test_sizes_of_a_small_automaton(self):
        net = kora.regex("a b | a c")
        assert (net.num_states, net.num_arcs, net.arity, len(net)) == (3, 3, 1, 2)
        assert net.sigma == {"a", "b", "c"}
        assert bool(net)
        assert not kora.regex("a - a")
        assert repr(net) == "<kora.Net: 3 states, 3 arcs, automaton>"

    def test_len_of_a_network_with_a_loop_is_a_type_error(self):
        net = kora.regex("a*")
        assert bool(net)
        with pytest.raises(TypeError, match="loop"):
            len(net)

    def test_str_is_the_listing(self):
        listing = str(kora.regex("a:b"))
        assert listing.startswith("Net:")
        lines = listing.splitlines()
        assert "s0:   a:b -> fs1." in lines
        assert "fs1:  (no arcs)" in lines

    def test_paths_shortest_first_with_a_limit(self):
        net = kora.regex("a b* c")
        assert list(net.paths(4)) == [("ac", "ac"), ("abc", "abc"), ("abbc", "abbc"),
                                      ("abbbc", "abbbc")]
        assert list(net.paths(0)) == []
        assert list(kora.regex("a - a").paths()) == []
        assert list(kora.regex("[]").paths()) == [("", "")]

    def test_paths_of_a_transducer_spell_both_sides(self):
        net = kora.regex("a:0 b:c | %+Pl:s")
        assert sorted(net.paths()) == [("+Pl", "s"), ("ab", "c")]
        assert list(kora.regex("?").paths()) == [("?", "?")]

    def test_paths_iterator_outlives_its_network(self):
        net = kora.regex("{ab} | {cd}")
        paths = net.paths()
        del net
        assert sorted(paths) == [("ab", "ab"), ("cd", "cd")]


class TestFilesAndPickling:
    def test_bytes_are_those_of_the_saved_file(self, tmp_path, examples):
        net = kora.lexicon(examples / "animals.vorn")
        net.save(str(tmp_path / "net.fst"))
        saved = (tmp_path / "net.fst").read_bytes()
        data = net.to_bytes()
        assert len(data) == len(saved)
        assert kora.from_bytes(saved).equivalent(kora.from_bytes(data))
        # The time of writing is fixed: equal networks give equal bytes, whenever they are made.
        assert kora.lexicon(examples / "animals.vorn").to_bytes() == data
        assert b"January 01, 1970" in data

    def test_pickle_round_trips(self):
        for net in [kora.regex("{cat}:{chat} | d o g"), kora.regex("a* b"), kora.regex("a - a"),
                    kora.words(["caf\u00e9", ""])]:
            again = pickle.loads(pickle.dumps(net))
            assert again.equivalent(net)
            assert (again.num_states, again.num_arcs, again.arity) == (net.num_states, net.num_arcs, net.arity)
            assert list(again.paths(5)) == list(net.paths(5))


class TestErrorsAndWarnings:
    def test_a_regex_syntax_error_carries_the_message_and_the_place(self, capfd):
        with pytest.raises(kora.Error) as raised:
            kora.regex("a\n\tb | | c")
        assert str(raised.value) == "Regex error (syntax error) at |\n  \tb | | c\n  \t    ^"
        assert capfd.readouterr() == ("", "")

    def test_a_missing_file(self, tmp_path):
        missing = str(tmp_path / "missing")
        with pytest.raises(kora.Error) as raised:
            kora.load(missing)
        assert str(raised.value) == "Cannot open '%s'." % missing
        with pytest.raises(kora.Error, match="Cannot open"):
            kora.words(missing)
        with pytest.raises(kora.Error, match="Cannot open"):
            kora.lexicon(missing)

    def test_refused_operations(self):
        with pytest.raises(kora.Error, match="^Negation is not defined for transducers.$"):
            ~kora.regex("a:b")
        with pytest.raises(kora.Error):
            kora.from_bytes(b"not a network file")
        with pytest.raises(ValueError):
            kora.regex("a").lookup_many(["a"], direction="sideways")

    def test_a_lexicon_with_syntax_errors_names_their_lines(self, tmp_path, capfd):
        source = tmp_path / "bad.vorn"
        source.write_text("LEXICON Root\ncat #\n\ndog # ; ;\n")
        with pytest.raises(kora.Error) as raised:
            kora.lexicon(source)
        assert str(raised.value) == (
            "%s:2: syntax error at 'dog'\n    missing ';' after '#'\n"
            "%s:4: syntax error at ';'\n"
            "Compilation aborted because of 2 parse errors." % (source, source))
        assert capfd.readouterr() == ("", "")

    def test_lexicon_warnings_name_their_lines(self, tmp_path, capfd):
        source = tmp_path / "unused.vorn"
        source.write_text("LEXICON Root\na # ;\nb # \"gloss\" ;\nLEXICON Orphan\nc # ;\n")
        with pytest.warns(kora.KoraWarning) as caught:
            net = kora.lexicon(source)
        assert words_of(net) == ["a", "b"]
        assert [str(warning.message) for warning in caught] == [
            "%s:3: Ignoring info strings." % source,
            "%s:4: Sublexicons defined but not used: Orphan" % source,
            "%s:5: Lost all entries containing the following symbols:\n    c" % source]
        assert capfd.readouterr() == ("", "")

    def test_warnings_are_kora_warnings(self, tmp_path):
        source = tmp_path / "words.txt"
        source.write_bytes(b"good\nba\xffd\n")
        with pytest.warns(kora.KoraWarning):
            net = kora.words(source)
        assert words_of(net) == ["good"]

    def test_messages_quoting_bytes_that_are_not_utf8_keep_them_as_surrogate_escapes(self):
        with pytest.warns(kora.KoraWarning, match="illegal UTF-8"):
            with pytest.raises(kora.Error, match="\udc80"):
                kora.regex("\udc80")


class TestLookups:
    def test_lookup_many_is_lookup_of_each(self):
        net = kora.regex("{cat}:{chat} | {cat}:{gato} | {dog}")
        inputs = ["cat", "dog", "cow", "", "cat"]
        assert net.lookup_many(inputs, direction="down") == [net.generate(s) for s in inputs]
        assert net.arity == 2 and net.generate("dog") == ["dog"] and net.generate("cow") == []
        assert sorted(net.generate("cat")) == ["chat", "gato"]
        assert net.lookup_many(["chat", "x"]) == [["cat"], []] == [net.lookup(s) for s in ["chat", "x"]]
        assert net.apply_up("chat") == ["cat"] and net.apply_down("cat") == net.generate("cat")
        assert net.lookup_many([]) == []

    def test_threads_look_up_while_others_compile(self, examples):
        net = kora.words(examples / "fruits.txt")
        fruits = (examples / "fruits.txt").read_text().split()
        expected = [[w] for w in fruits] + [[]]
        failures = []

        def look_up():
            for _ in range(30):
                if net.lookup_many(fruits + ["stone"]) != expected:
                    failures.append("lookup_many")
                if net.generate(fruits[0]) != [fruits[0]]:
                    failures.append("lookup")

        def compile_and_combine():
            for i in range(30):
                other = kora.regex("{x%d} | a*" % i) | net
                if other.generate(fruits[1]) != [fruits[1]]:
                    failures.append("combine")

        threads = [threading.Thread(target=look_up) for _ in range(3)]
        threads.append(threading.Thread(target=compile_and_combine))
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        assert failures == []


class TestDrawing:
    def test_dot_of_a_small_transducer(self):
        net = kora.regex("a:b c | d | e")
        drawing = net.dot()
        assert drawing.startswith("digraph {\n") and drawing.endswith("}\n")
        assert '  0 -> 1 [label="d, e"];\n' in drawing and '  0 -> 2 [label="a:b"];\n' in drawing
        assert net.dot(max_states=0) == drawing

    def test_dot_refuses_a_network_above_the_limit(self):
        with pytest.raises(kora.Error) as raised:
            kora.regex("{abcdef}").dot(max_states=3)
        assert str(raised.value) == \
            "network_to_dot: The network has 7 states, more than the 3 allowed."
