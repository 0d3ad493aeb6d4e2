#!/bin/sh
# A lexicon of a million entries compiled the way a user compiles it, against SFST, in one run:
#   read_vorn     read_vorn from the file to the minimal network (bench/compile_lexicon.cpp);
#   kora-lexicon  the `kora lexicon FILE -o OUT` command as a whole process (/usr/bin/time),
#                 saving the network included;
#   sfst          SFST's fst-compiler-utf8 compiling the same relation from its own program
#                 and stem file, writing its transducer (/usr/bin/time).
# The lexicon: every word of Debian's wbritish-huge (347 734) as a stem of three classes, noun,
# verb and adjective (1 043 202 entries in Root), continuing into inflection sublexicons with
# multi-character tags: N +N (+Sg | +Pl:s), V +V (+Pres | +Pres+3Sg:s | +Past:ed | +Prog:ing),
# A +A (0 | +Cmp:er | +Sup:est): nine analyses per stem. SFST gets the same stems as a stem file
# and the same classes as one expression. Every program runs RUNS times; the table gives the best
# and the median wall-clock seconds, processor seconds and the median peak resident memory.
# Needs: apt-get install -y sfst wbritish-huge
#
# Usage: bench/compare-lexicon.sh [BUILD-DIRECTORY] [RUNS]   (defaults: build-bench, 3)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
runs=${2:-3}

. "$root/bench/build-bench.sh"
build_bench "$build" compile_lexicon kora-tool

work=$build/lexicon-bench
mkdir -p "$work"
python3 - /usr/share/dict/british-english-huge "$work" <<'PY'
import sys
words_file, work = sys.argv[1], sys.argv[2]
words = []
with open(words_file, encoding="utf-8") as f:
    for line in f:
        w = line.rstrip("\r\n")
        if w:
            words.append(w)
def vorn(w):
    # Characters the lexicon language reads specially are escaped with "%".
    return "".join("%" + c if c in '!:;<>"%0 \t' or c == "=" else c for c in w)
with open(f"{work}/words.vorn", "w", encoding="utf-8") as out:
    out.write("MULTICHAR_SYMBOLS +N +V +A +Sg +Pl +Pres +Past +3Sg +Prog +Cmp +Sup\n\nLEXICON Root\n")
    for w in words:
        e = vorn(w)
        out.write(f"{e} N ;\n{e} V ;\n{e} A ;\n")
    out.write("""
LEXICON N
+N:0 Num ;
LEXICON Num
+Sg:0 # ;
+Pl:s # ;
LEXICON V
+V:0 VInfl ;
LEXICON VInfl
+Pres:0 # ;
+Pres+3Sg:s # ;
+Past:ed # ;
+Prog:ing # ;
LEXICON A
+A:0 AInfl ;
LEXICON AInfl
0 # ;
+Cmp:er # ;
+Sup:est # ;
""")
def sfst(w):
    return "".join("\\" + c if c in ':\\<>' else c for c in w)
with open(f"{work}/stems.txt", "w", encoding="utf-8") as out:
    for w in words:
        out.write(sfst(w) + "\n")
with open(f"{work}/words.fst", "w", encoding="utf-8") as out:
    out.write('$stems$ = "stems.txt"\n'
              '$N$ = <+N>:<> (<+Sg>:<> | <+Pl>:s)\n'
              '$V$ = <+V>:<> (<+Pres>:<> | {<+Pres><+3Sg>}:{s} | {<+Past>}:{ed} | {<+Prog>}:{ing})\n'
              '$A$ = <+A>:<> (<> | {<+Cmp>}:{er} | {<+Sup>}:{est})\n'
              '$stems$ ($N$ | $V$ | $A$)\n')
print(len(set(words)) * 9, file=open(f"{work}/expected-paths", "w"))
PY
expected=$(cat "$work/expected-paths")
entries=$(grep -c ' ;$' "$work/words.vorn")

results=$work/results
: > "$results"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
field() { printf '%s\n' "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }
for run in $(seq "$runs"); do
  line=$("$build/bench/compile_lexicon" "$work/words.vorn" "$expected")
  echo "read_vorn $(field "$line" total) $(field "$line" cpu_total) $(field "$line" peak_kib)" \
       "$(field "$line" states) $(field "$line" arcs)" >> "$results"
  summary=$(/usr/bin/time -f '%e %U %S %M' -o "$work/time" \
            "$build/kora" lexicon -o "$work/words.kora" "$work/words.vorn")
  echo "kora-lexicon $(awk '{print $1, $2 + $3, $4}' "$work/time")" \
       "$(echo "$summary" | awk '{print $1, $3}')" >> "$results"
  (cd "$work" && /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
     fst-compiler-utf8 words.fst words.sfst >/dev/null 2>&1)
  echo "sfst $(awk '{print $1, $2 + $3, $4}' "$work/time") - -" >> "$results"
done

echo "lexicon: $entries entries, $expected paths; load average before: $load_before," \
  "after: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores); $runs runs each"
printf '%-13s %7s %7s %7s %7s %9s %8s %8s\n' program wall_best wall_med cpu_best cpu_med \
  peak_MiB states arcs
sort -k1,1 -s "$results" | awk '
  function sorted_median(v, n,   i, j, x) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { x = v[j]; v[j] = v[j - 1]; v[j - 1] = x }
    return v[int((n + 1) / 2)]
  }
  function flush(   wm, cm, mm) {
    if (n == 0) return
    wm = sorted_median(w, n); cm = sorted_median(c, n); mm = sorted_median(m, n)
    printf "%-13s %7.3f %7.3f %7.3f %7.3f %9.1f %8s %8s\n", k, w[1], wm, c[1], cm, mm / 1024, s, a
  }
  { if ($1 != last) { flush(); n = 0; last = $1; k = $1 }
    n++; w[n] = $2; c[n] = $3; m[n] = $4; s = $5; a = $6 }
  END { flush() }'
