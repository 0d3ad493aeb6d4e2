#!/usr/bin/env bash
# Compares the names that a shared library defines for its users with a list of names.
# Usage: check-exports.sh LIBRARY EXPECTED-LIST
# Names starting with "_" come from the toolchain (sanitizer hooks, _init, _fini) and are ignored.
set -euo pipefail
diff -u <(grep -v -e '^#' -e '^$' "$2" | sort -u) \
        <(nm -D --defined-only "$1" | awk '{print $3}' | grep -v '^_' | sort -u) \
  || { echo "exported names of $1 differ from $2 (- listed, + exported)"; exit 1; }
