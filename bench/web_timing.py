#!/usr/bin/env python3
"""Times the playground in headless Chromium: compiling the tutorial's analyser (the page's first
example: the lexicon, the spelling rules and their composition) and analysing the words of a
file, in the page, RUNS times; prints the best and the median milliseconds and the analyses
found. The page is served from the web build directory as the playground test serves it.

Usage: web_timing.py WEB-BUILD-DIRECTORY WORDS-FILE RUNS"""

import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "web"))
from playground_test import Page, browser, serve  # noqa: E402


def main():
    web, words_file, runs = Path(sys.argv[1]), sys.argv[2], int(sys.argv[3])
    words = Path(words_file).read_text(encoding="utf-8").split()
    server = serve(web)
    driver = browser()
    try:
        driver.get(f"http://127.0.0.1:{server.server_address[1]}/index.html")
        Page(driver).wait_for_compilation(0)
        times, analyses = [], 0
        for _ in range(runs):
            result = driver.execute_script(
                "return window.playground.timeExample(window.playground.examples[0], arguments[0]);", words)
            times.append(result["milliseconds"])
            analyses = result["analyses"]
    finally:
        driver.quit()
        server.shutdown()
    print("web-playground words=%d analyses=%d best_ms=%.1f median_ms=%.1f"
          % (len(words), analyses, min(times), statistics.median(times)))


if __name__ == "__main__":
    main()
