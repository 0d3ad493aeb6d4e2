#!/usr/bin/env python3
"""The playground in a real browser: serves the built page, drives headless Chromium through
Selenium, types the tutorial's analyser into it and checks what the page shows: the analyses of
five words, an error at its line in a regular expression and in a lexicon, the drawing of a
network (one node per state), and runs the example of the JavaScript module in docs/.

Usage: playground_test.py WEB-BUILD-DIRECTORY EXAMPLES-DIRECTORY"""

import functools
import http.server
import re
import sys
import threading
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}

    def log_message(self, *args):
        pass


def serve(directory):
    """Serves `directory` on a free port of 127.0.0.1 from a thread of its own."""
    handler = functools.partial(Handler, directory=str(directory))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


class Page:
    def __init__(self, driver):
        self.driver = driver

    def compiled(self):
        return int(self.driver.find_element(By.ID, "status").get_attribute("data-compiled") or 0)

    def wait_for_compilation(self, after):
        WebDriverWait(self.driver, 60).until(
            lambda d: self.compiled() > after and d.find_element(By.ID, "status").text == "Ready")

    def edit(self, action):
        """Runs `action` (which edits the page) and waits until the page has compiled again."""
        before = self.compiled()
        action()
        self.wait_for_compilation(before)

    def sources(self):
        return self.driver.find_elements(By.CSS_SELECTOR, "#sources .source")

    def type_source(self, source, name, kind, text):
        field = source.find_element(By.CSS_SELECTOR, ".name")
        field.clear()
        field.send_keys(name)
        Select(source.find_element(By.CSS_SELECTOR, ".kind")).select_by_value(kind)
        area = source.find_element(By.CSS_SELECTOR, ".text")
        area.clear()
        area.send_keys(text)

    def set_field(self, element_id, text):
        field = self.driver.find_element(By.ID, element_id)
        field.clear()
        field.send_keys(text)

    def results(self):
        rows = self.driver.find_elements(By.CSS_SELECTOR, "#results tbody tr")
        return {row.get_attribute("data-word"): row.find_elements(By.TAG_NAME, "td")[1].text for row in rows}


def documented_example(page):
    """The JavaScript example of docs/playground.md as a script for the page: its import made
    dynamic, and each line "EXPRESSION;  // VALUE  (comment)" a check of EXPRESSION against
    VALUE. Returns the script and the number of checks."""
    text = (Path(__file__).resolve().parents[2] / "docs" / "playground.md").read_text()
    example = re.search(r"```js\n(.*?)```", text, re.S).group(1)
    lines, checks = [], 0
    for line in example.splitlines():
        found = re.match(r"^(\s*)(.+?);\s+// (.+?)(\s{2,}\(.*\))?$", line)
        if line.startswith("import "):
            line = "const { loadKora, KoraError } = await import('./kora.js');"
        elif found:
            checks += 1
            line = f"{found[1]}check({found[2]}, {found[3]}, {checks});"
        lines.append(line)
    script = ("const done = arguments[arguments.length - 1]; const failures = [];"
              "const check = (got, expected, n) => { if (JSON.stringify(got) !== JSON.stringify(expected))"
              " failures.push(`check ${n}: got ${JSON.stringify(got)}`); failures.checked = n; };"
              "(async () => {" + "\n".join(lines) + "\n})().then("
              "() => done(failures.checked === %d ? failures : ['only ' + failures.checked + ' checks ran']),"
              " (error) => done([String(error)]));" % checks)
    return script


def main():
    web, examples = Path(sys.argv[1]), Path(sys.argv[2])
    server = serve(web)
    driver = browser()
    failures = []

    def check(what, got, expected):
        if got != expected:
            failures.append(f"{what}: got {got!r}, expected {expected!r}")

    try:
        page = Page(driver)
        driver.get(f"http://127.0.0.1:{server.server_address[1]}/index.html")
        page.wait_for_compilation(0)

        # The tutorial's analyser, typed: the lexicon and the spelling rules as two sources.
        for source in page.sources():
            page.edit(lambda: source.find_element(By.CSS_SELECTOR, ".remove").click())
        for _ in range(2):
            page.edit(lambda: driver.find_element(By.ID, "add-source").click())
        lexicon, rules = page.sources()
        page.edit(lambda: page.type_source(lexicon, "Lex", "lexicon", (examples / "tutorial/english.vorn").read_text()))
        page.edit(lambda: page.type_source(rules, "Spelling", "regex", (examples / "tutorial/spelling.re").read_text()))
        page.edit(lambda: page.set_field("expression", "Lex .o. Spelling"))
        page.set_field("words", "cities\ntried\nbaking\nchurches\nmice")
        check("analyses", page.results(), {"cities": "city+N+Pl", "tried": "try+V+Past",
                                          "baking": "bake+V+Prog", "churches": "church+N+Pl",
                                          "mice": "mouse+N+Pl"})
        check("sizes", driver.find_element(By.ID, "sizes").text, "65 states, 95 arcs, 40 paths, transducer")

        # Errors at their lines: a regular expression (line 3) and a lexicon (line 2).
        error = lambda source: source.find_element(By.CSS_SELECTOR, ".error")
        page.edit(lambda: page.type_source(rules, "Spelling", "regex", "! a comment\n\na | | b ;\n"))
        check("regex error line", error(rules).get_attribute("data-line"), "3")
        check("regex error message", error(rules).text.startswith("line 3: Regex error"), True)
        marked = rules.find_elements(By.CSS_SELECTOR, ".gutter .error-line")
        check("marked gutter line", [line.text for line in marked], ["3"])
        page.edit(lambda: page.type_source(lexicon, "Lex", "lexicon", "LEXICON Root\ncat #\n\ndog # ; ;\n"))
        check("lexicon error line", error(lexicon).get_attribute("data-line"), "2")
        check("lexicon error message", error(lexicon).text.splitlines()[:2],
              ["line 2: syntax error at 'dog'", "    missing ';' after '#'"])

        # A drawing has one node per state, and a second circle in each final state.
        page.edit(lambda: page.type_source(rules, "Spelling", "regex", "a b | c+ ;"))
        page.edit(lambda: page.type_source(lexicon, "Lex", "regex", "d ;"))
        page.edit(lambda: page.set_field("expression", "Spelling | Lex"))
        check("sizes", driver.find_element(By.ID, "sizes").text, "4 states, 5 arcs, loops")
        check("drawn states", len(driver.find_elements(By.CSS_SELECTOR, "#graph svg g.state")), 4)
        check("drawn circles", len(driver.find_elements(By.CSS_SELECTOR, "#graph svg g.state circle")), 6)

        # The example of the JavaScript module's documentation.
        check("documented example", driver.execute_async_script(documented_example(page)), [])
    finally:
        driver.quit()
        server.shutdown()
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
