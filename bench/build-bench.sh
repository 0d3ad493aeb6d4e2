# Sourced by the compare scripts. build_bench BUILD TARGET... configures BUILD as the optimized
# benchmark build (no sanitizers, no tests; further CMake options in $bench_options) and builds
# the targets named.
build_bench() {
  bench_build=$1
  shift
  # shellcheck disable=SC2086  # the options are words of their own
  cmake -S "$root" -B "$bench_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DKORA_SANITIZE=OFF -DKORA_BENCH=ON -DKORA_TESTS=OFF \
    ${bench_options:-} >/dev/null
  cmake --build "$bench_build" -j2 --target "$@" >/dev/null
}
