# Sourced by the lookup comparisons. lookup_data BUILD LIST makes BUILD/lookup-data from the word
# list LIST: kora's two machines saved by lookup_words (acceptor.fst, tagger.fst), SFST's
# compact transducers of the same words compiled from lexicon files (acceptor.ca, tagger.ca),
# and the inputs (words, shuffled, half-unknown: every second word made unknown, words-x10: the
# list ten times). lookup_words must be built in BUILD.
lookup_data() {
  work="$1/lookup-data"
  rm -rf "$work"
  mkdir -p "$work"
  "$1/bench/lookup_words" "$2" 0 save "$work"
  cp "$2" "$work/words"
  awk 'BEGIN { srand(42) } { printf "%.9f\t%s\n", rand(), $0 }' "$2" | sort | cut -f2- \
    > "$work/shuffled"
  awk 'NR % 2 == 0 { print $0 "#"; next } { print }' "$2" > "$work/half-unknown"
  for i in 1 2 3 4 5 6 7 8 9 10; do cat "$2"; done > "$work/words-x10"
  awk '{ print }' "$2" > "$work/acceptor.lex"
  LC_ALL=C awk '!/[\200-\377]/ {
    n = length($0); tag = "<+Sg>"
    if (n >= 2 && substr($0, n - 1) == "'"'"'s") tag = "<+Poss>"
    else if (substr($0, 1, 1) ~ /[A-Z]/) tag = "<+Prop>"
    else if (substr($0, n) == "s") tag = "<+Pl>"
    print $0 tag ":<>" }' "$2" > "$work/tagger.lex"
  for machine in acceptor tagger; do
    echo "\"$work/$machine.lex\"" > "$work/$machine.sfst"
    fst-compiler-utf8 -q -c "$work/$machine.sfst" "$work/$machine.ca"
  done
}

# lookup_comparison BUILD LIST TARGET... builds lookup_words and the kora targets named (with
# build_bench, of build-bench.sh, sourced before), compiles OpenFst's peer
# BUILD/openfst_lookup_words, and makes BUILD/lookup-data with lookup_data.
lookup_comparison() {
  comparison_build=$1 comparison_list=$2
  shift 2
  build_bench "$comparison_build" lookup_words "$@"
  g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/openfst_lookup_words.cpp" \
    -o "$comparison_build/openfst_lookup_words" -lfst
  lookup_data "$comparison_build" "$comparison_list"
}
