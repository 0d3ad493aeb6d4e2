"""docs/python-api.md is what tools/python-api.py makes of the module's docstrings: a docstring or
a stub changed without the page written again fails here."""

import importlib.util
import pathlib

ROOT = pathlib.Path(__file__).resolve().parents[2]


def load_generator():
    spec = importlib.util.spec_from_file_location("python_api", ROOT / "tools" / "python-api.py")
    generator = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(generator)
    return generator


def test_the_page_is_up_to_date():
    page = (ROOT / "docs" / "python-api.md").read_text(encoding="utf-8")
    assert page == load_generator().render(), \
        "docs/python-api.md is out of date: run PYTHONPATH=build/python tools/python-api.py"


def test_every_public_name_has_an_entry():
    import kora
    page = (ROOT / "docs" / "python-api.md").read_text(encoding="utf-8")
    for name in kora.__all__:
        assert "`kora.%s" % name in page, name
    for name in ("lookup", "generate", "paths", "add_arc"):
        assert "### `Net.%s(" % name in page, name
