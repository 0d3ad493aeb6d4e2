#!/usr/bin/env bash
# Installs a build of kora into a temporary prefix and builds consumer.c against the installed
# files only: through pkg-config, and through find_package(kora) (the project in find-package/,
# with the shared and with the static library). Each program checks a few networks and exits 0
# when they are right.
#
# Usage: check-install.sh BUILD-DIRECTORY LIBDIR [COMPILER-FLAG...]
#   LIBDIR is the build's CMAKE_INSTALL_LIBDIR; the flags (the sanitizers of the build, when it
#   has them) are added to every compilation and link.
# The environment names the tools of the build: CMAKE, CC, CXX and CMAKE_GENERATOR.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
libdir=$2
shift 2
flags=("$@")

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$CMAKE" --install "$build" --prefix "$prefix"

read -ra pc_flags <<<"$(PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig pkg-config --cflags --libs kora)"
"$CC" -std=c99 -pedantic-errors -Wall -Werror "${flags[@]}" "$here/consumer.c" "${pc_flags[@]}" \
  -o "$prefix/consumer_pkg_config"
LD_LIBRARY_PATH=$prefix/$libdir "$prefix/consumer_pkg_config"

"$CMAKE" -S "$here/find-package" -B "$prefix/find-package" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="${flags[*]}" -DCMAKE_CXX_FLAGS="${flags[*]}"
"$CMAKE" --build "$prefix/find-package"
"$prefix/find-package/consumer_kora"
"$prefix/find-package/consumer_kora_static"

# The Python module, when the build has it: importable from the installed directory alone
# ($PYTHON, and $KORA_PYTHON_DIR relative to the prefix; $PYTHON_PRELOAD is the sanitizer
# runtime a sanitizer build's extension needs).
if [ -n "${KORA_PYTHON_DIR:-}" ]; then
  test -f "$prefix/$KORA_PYTHON_DIR/kora/__init__.py"
  (cd "$prefix" && env PYTHONPATH="$prefix/$KORA_PYTHON_DIR" LD_PRELOAD="${PYTHON_PRELOAD:-}" \
    ASAN_OPTIONS=detect_leaks=0 "$PYTHON" -c '
import kora
assert kora.__file__.startswith("'"$prefix"'"), kora.__file__
assert kora.regex("{cat}:{chat}").lookup("chat") == ["cat"]')
fi
