# Sourced by the comparison scripts. time_process NAME WORDS COMMAND... runs COMMAND $repeats
# times (output thrown away) and prints NAME with the best and the median words per second.
time_process() {
  name=$1 words=$2
  shift 2
  for r in $(seq "$repeats"); do
    start=$(date +%s%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s%N)
    echo $((end - start))
  done | sort -n | awk -v name="$name" -v words="$words" '
    { t[NR] = $1 / 1e9 }
    END { printf "%s words=%d best_wps=%.0f median_wps=%.0f\n", name, words, words / t[1],
                 words / t[int((NR + 1) / 2)] }'
}
