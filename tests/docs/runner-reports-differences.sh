#!/bin/sh
# The runner of the documentation's sessions fails a page whose shown output is wrong: it names
# the command's line, shows the difference, and passes the command whose output is right.
#
#   runner-reports-differences.sh KORA DIR SCRATCH   (DIR: this directory)
set -eu
kora=$1 dir=$2 scratch=$3
mkdir -p "$scratch"
report=$scratch/report
if sh "$dir/run-console-examples.sh" "$kora" "$dir/data/wrong-output.md" "$dir/data" \
    "$scratch/page" > "$report" 2>&1; then
  echo "the runner passed a page with a wrong output"
  exit 1
fi
cat "$report"
grep -q "wrong-output.md:6: the output differs" "$report"
grep -qx -- "-three" "$report"
grep -qx -- "+two" "$report"
grep -q "wrong-output.md: 1 of 2 commands wrote other output" "$report"
