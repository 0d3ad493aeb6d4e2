#!/bin/sh
# Runs the shell sessions of a documentation page and checks their output.
#
#   run-console-examples.sh KORA PAGE.md EXAMPLES SCRATCH
#
# A session is a ```console block. In it, a line "$ COMMAND" is a command, and the lines
# "> MORE" right after it continue it (a here-document, say); the lines that follow, up to the
# next command or the end of the block, are what the command writes: its standard output and
# standard error merged, exactly, blank lines included. Each command runs under sh, with its
# standard input empty, in SCRATCH (emptied first, and shared by the page's commands, so that a
# file one command writes is there for the next), with `kora` on PATH and the examples directory
# as ./examples. The exit status of a command is not checked: its messages are in its output.
#
# Prints each command whose output differs, as PAGE:LINE with a diff, and exits with 1 when any
# did (or when the page has no command, which would check nothing); 0 otherwise.
set -eu
if [ $# -ne 4 ]; then
  echo "usage: $0 KORA PAGE.md EXAMPLES SCRATCH" >&2
  exit 2
fi
kora=$1 page=$2 examples=$(cd "$3" && pwd) scratch=$4
case $kora in /*) ;; *) kora=$(pwd)/$kora ;; esac
rm -rf "$scratch"
mkdir -p "$scratch/bin" "$scratch/cases" "$scratch/run"
scratch=$(cd "$scratch" && pwd)
ln -s "$kora" "$scratch/bin/kora"
ln -s "$examples" "$scratch/run/examples"

# Splits the page into cases/command.N and cases/expected.N, and lists "N LINE" in cases/list.
awk -v dir="$scratch/cases" '
  function finish() {
    if (n > 0) { close(dir "/command." n); close(dir "/expected." n) }
  }
  /^```console[ \t]*$/ && !inside { inside = 1; continuing = 0; next }
  /^```[ \t]*$/ && inside { inside = 0; continuing = 0; next }
  !inside { next }
  /^\$ / {
    finish()
    n++
    print n, NR > (dir "/list")
    print substr($0, 3) > (dir "/command." n)
    printf "" > (dir "/expected." n)
    continuing = 1
    next
  }
  continuing && /^> / { print substr($0, 3) > (dir "/command." n); next }
  n == 0 { printf "%s:%d: output before any command\n", FILENAME, NR; failed = 1; next }
  { continuing = 0; print > (dir "/expected." n) }
  END { finish(); close(dir "/list"); exit failed }
' "$page"

if [ ! -s "$scratch/cases/list" ]; then
  echo "$page: no command in a \`\`\`console block"
  exit 1
fi

commands=0 failures=0
while read -r n line; do
  commands=$((commands + 1))
  (cd "$scratch/run" && PATH="$scratch/bin:$PATH" sh "$scratch/cases/command.$n") \
    < /dev/null > "$scratch/cases/output.$n" 2>&1 || true
  if ! cmp -s "$scratch/cases/expected.$n" "$scratch/cases/output.$n"; then
    failures=$((failures + 1))
    echo "$page:$line: the output differs (- expected, + written):"
    sed '1s/^/  $ /; 2,$s/^/  > /' "$scratch/cases/command.$n"
    diff -u "$scratch/cases/expected.$n" "$scratch/cases/output.$n" | sed '1,2d' || true
  fi
done < "$scratch/cases/list"

if [ "$failures" -gt 0 ]; then
  echo "$page: $failures of $commands commands wrote other output than the page shows"
  exit 1
fi
echo "$page: $commands commands as shown"
