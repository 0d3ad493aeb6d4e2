"""The Python examples of README.md (its pycon blocks) run as doctests, so that the
documentation cannot drift from the module."""

import doctest
import pathlib
import re

import kora

README = pathlib.Path(__file__).resolve().parents[2] / "README.md"


def test_the_readme_examples_give_what_they_show():
    blocks = re.findall(r"```pycon\n(.*?)```", README.read_text(encoding="utf-8"), re.S)
    assert blocks
    runner = doctest.DocTestRunner()
    limit = kora.memory_limit()
    try:
        for number, block in enumerate(blocks):
            runner.run(doctest.DocTestParser().get_doctest(
                block, {}, "README.md pycon block %d" % (number + 1), str(README), 0))
    finally:
        kora.set_memory_limit(limit)
    failed, tried = runner.summarize(verbose=False)
    assert tried > 0 and failed == 0
