#!/usr/bin/env bash
# Compares every name that a shared library defines for its users (C++ names included) with a
# list of names.
# Usage: check-exports.sh LIBRARY EXPECTED-LIST
set -euo pipefail
exported=$(nm -D --defined-only "$1" | awk '{print $3}' | sort -u)
diff -u <(grep -v -e '^#' -e '^$' "$2" | sort -u) <(printf '%s\n' "$exported") \
  || { echo "exported names of $1 differ from $2 (- listed, + exported)"; exit 1; }
