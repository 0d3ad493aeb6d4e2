"""The Python examples of README.md and docs/*.md (their pycon blocks) run as doctests, so that
the documentation cannot drift from the module."""

import doctest
import pathlib
import re

import pytest

import kora

ROOT = pathlib.Path(__file__).resolve().parents[2]
PAGES = [ROOT / "README.md"] + sorted((ROOT / "docs").glob("*.md"))


@pytest.mark.parametrize("page", [p for p in PAGES if "```pycon" in p.read_text(encoding="utf-8")],
                         ids=lambda page: page.name)
def test_the_examples_give_what_they_show(page):
    blocks = re.findall(r"```pycon\n(.*?)```", page.read_text(encoding="utf-8"), re.S)
    runner = doctest.DocTestRunner()
    limit = kora.memory_limit()
    try:  # one test of all the blocks of a page, which go on from one another
        runner.run(doctest.DocTestParser().get_doctest("\n".join(blocks), {}, page.name, str(page), 0))
    finally:
        kora.set_memory_limit(limit)
    failed, tried = runner.summarize(verbose=False)
    assert tried > 0 and failed == 0


def test_python_page_is_checked():
    assert ROOT / "docs" / "python.md" in PAGES
