// OpenFst peer of `kora lookup` on a mapped compacted file (bench/compare-compact.sh): reads a
// ConstFst (written by openfst_file_io save) with FstReadOptions::MAP, so that the file is
// mapped instead of read, and looks each line of standard input up from the upper side, as
// `kora lookup` does: every path that reads the word (epsilon inputs anywhere), the output
// symbols written (byte labels as bytes, the tagger's labels 256 + tag as its tag), one answer
// per line and a blank line after each word. Answers are written at once, so that the time to
// the first one can be seen from outside.
//
// Build: g++ -O2 -DNDEBUG -std=c++17 openfst_mapped_lookup.cpp -o openfst_mapped_lookup -lfst
// Usage: openfst_mapped_lookup --align CONST-FST ALIGNED (OpenFst maps only aligned files)
//        openfst_mapped_lookup ALIGNED < WORDS

#include <fst/fstlib.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

namespace {

using Arc = fst::StdArc;
const char *const kTags[4] = {"+Poss", "+Prop", "+Pl", "+Sg"};

void walk(const fst::ConstFst<Arc> &machine, Arc::StateId state, const std::string &word,
          size_t at, std::string &output, int &results) {
  if (at == word.size() && machine.Final(state) != Arc::Weight::Zero()) {
    std::printf("%s\t%s\n", word.c_str(), output.c_str());
    results++;
  }
  for (fst::ArcIterator<fst::ConstFst<Arc>> arcs(machine, state); !arcs.Done(); arcs.Next()) {
    const Arc &arc = arcs.Value();
    const bool reads = arc.ilabel != 0;
    if (reads && (at == word.size() || arc.ilabel != static_cast<unsigned char>(word[at]))) continue;
    const size_t kept = output.size();
    if (arc.olabel >= 256)
      output.append(kTags[arc.olabel - 256]);
    else if (arc.olabel > 0)
      output.push_back(static_cast<char>(arc.olabel));
    walk(machine, arc.nextstate, word, at + (reads ? 1 : 0), output, results);
    output.resize(kept);
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 4 && std::string(argv[1]) == "--align") {
    // OpenFst maps only a file written aligned.
    std::unique_ptr<fst::ConstFst<Arc>> machine(fst::ConstFst<Arc>::Read(argv[2]));
    if (machine == nullptr) return 1;
    std::ofstream out(argv[3], std::ios_base::out | std::ios_base::binary);
    fst::FstWriteOptions options(argv[3]);
    options.align = true;
    return machine->Write(out, options) ? 0 : 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: openfst_mapped_lookup CONST-FST < WORDS\n"
                         "       openfst_mapped_lookup --align CONST-FST ALIGNED-CONST-FST\n");
    return 2;
  }
  std::ifstream stream(argv[1], std::ios_base::in | std::ios_base::binary);
  fst::FstReadOptions options(argv[1]);
  options.mode = fst::FstReadOptions::MAP;
  std::unique_ptr<fst::ConstFst<Arc>> machine(fst::ConstFst<Arc>::Read(stream, options));
  if (machine == nullptr) return 1;
  std::string word, output;
  while (std::getline(std::cin, word)) {
    int results = 0;
    walk(*machine, machine->Start(), word, 0, output, results);
    if (results == 0) std::printf("%s\t%s\t+?\n", word.c_str(), word.c_str());
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}
