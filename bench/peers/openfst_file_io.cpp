// Peer of bench/file_io.cpp with OpenFst (Debian's libfst-dev), run only for measurement: the
// same machines (the minimal acceptor of a word list over byte labels, or the tagger that maps
// each word to itself followed by one of four tags, minimized), written and read as
// StdVectorFst and as ConstFst.
//
//   openfst_file_io save WORD-LIST acceptor|tagger PREFIX [NAME]
//     writes PREFIX.vector and PREFIX.const five times each; reports sizes and best and median
//     seconds of Write.
//   openfst_file_io load vector|const FILE [NAME]
//     one Read in a fresh process: seconds and peak resident memory.
//
// Build: g++ -O2 -std=c++17 openfst_file_io.cpp -lfst -o openfst_file_io

#include <fst/fstlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../measure.h"
#include "openfst_trie.h"

namespace {

using Arc = fst::StdArc;

long long file_size(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

template <typename Write>
void time_writes(Write write, double *best, double *median) {
  std::vector<double> times;
  for (int run = 0; run < 5; run++) {
    auto start = std::chrono::steady_clock::now();
    write();
    times.push_back(measure::seconds_since(start));
  }
  std::sort(times.begin(), times.end());
  *best = times.front();
  *median = times[times.size() / 2];
}

int save(int argc, char **argv) {
  std::string text;
  if (argc < 5 || !measure::read_file(argv[2], text)) {
    std::fprintf(stderr, "usage: openfst_file_io save WORD-LIST acceptor|tagger PREFIX [NAME]\n");
    return 2;
  }
  fst::StdVectorFst machine;
  peers::build_trie(text, machine, std::strcmp(argv[3], "tagger") == 0);
  fst::Minimize(&machine);
  size_t arcs = 0;
  for (fst::StateIterator<fst::StdVectorFst> states(machine); !states.Done(); states.Next())
    arcs += machine.NumArcs(states.Value());
  const std::string vector_file = std::string(argv[4]) + ".vector",
                    const_file = std::string(argv[4]) + ".const";
  double vector_best, vector_median, const_best, const_median;
  time_writes([&] { machine.Write(vector_file); }, &vector_best, &vector_median);
  time_writes([&] { fst::ConstFst<Arc>(machine).Write(const_file); }, &const_best, &const_median);
  const char *name = argc > 5 ? argv[5] : argv[2];
  std::printf(
      "openfst-vector save %s states=%d arcs=%zu bytes=%lld save_best=%.4f save_median=%.4f\n",
      name, machine.NumStates(), arcs, file_size(vector_file), vector_best, vector_median);
  std::printf(
      "openfst-const save %s states=%d arcs=%zu bytes=%lld save_best=%.4f save_median=%.4f\n", name,
      machine.NumStates(), arcs, file_size(const_file), const_best, const_median);
  return 0;
}

int load(int argc, char **argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: openfst_file_io load vector|const FILE [NAME]\n");
    return 2;
  }
  const bool vector = std::strcmp(argv[2], "vector") == 0;
  long base = measure::peak_kib();
  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  // The machine is freed after the clock stops, as in the kora program.
  std::unique_ptr<fst::StdVectorFst> vector_machine;
  std::unique_ptr<fst::ConstFst<Arc>> const_machine;
  int states = 0;
  if (vector) {
    vector_machine.reset(fst::StdVectorFst::Read(argv[3]));
    states = vector_machine ? vector_machine->NumStates() : -1;
  } else {
    const_machine.reset(fst::ConstFst<Arc>::Read(argv[3]));
    states = const_machine ? const_machine->NumStates() : -1;
  }
  double wall = measure::seconds_since(start);
  double cpu = measure::cpu_seconds() - cpu_start;
  if (states < 0) return 1;
  std::printf("openfst-%s load %s states=%d load=%.4f cpu=%.4f peak_kib=%ld base_kib=%ld\n",
              argv[2], argc > 4 ? argv[4] : argv[3], states, wall, cpu, measure::peak_kib(), base);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 1 && std::strcmp(argv[1], "save") == 0) return save(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "load") == 0) return load(argc, argv);
  std::fprintf(stderr, "usage: openfst_file_io save|load ...\n");
  return 2;
}
