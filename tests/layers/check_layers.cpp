// Checks the layering of the library's modules against the table in src/libs/layers.txt.
//
// The table lists the layers, lowest first, each with its modules and a few words on what each
// holds; a module is a source file and its header under one base name. A module may include the
// headers of its own layer and of lower layers. The check fails, naming the file and the
// include, when a module includes a header of a higher layer, when modules of one layer include
// one another in a cycle, when a file of src/libs has no place in the table, or when the table
// leaves a layer or module without its words.
//
// Usage: check_layers SRC_LIBS_DIR. Prints every fault and exits 1 if there is one.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Layers {
  std::vector<std::string> names;         // layer names, lowest first
  std::map<std::string, size_t> level;    // module -> index into names
};

// Reads the table: "layer NAME: what it is for" opens a layer, and each "MODULE: what it holds"
// after it puts a module in that layer; '#' starts a comment. A layer or module without its
// words, a module before the first layer and a module listed twice are faults.
bool read_layers(const fs::path &table, Layers &layers) {
  std::ifstream in(table);
  if (!in) {
    std::cerr << table.string() << ": cannot open\n";
    return false;
  }
  const std::regex entry(R"(^\s*(layer\s+)?([A-Za-z0-9_-]+)\s*:\s*(.*?)\s*$)");
  std::string line;
  bool ok = true;
  for (int number = 1; std::getline(in, line); number++) {
    line = line.substr(0, line.find('#'));
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::string where = table.filename().string() + ":" + std::to_string(number) + ": ";
    std::smatch match;
    if (!std::regex_match(line, match, entry)) {
      std::cerr << where << "expected \"layer NAME: ...\" or \"MODULE: ...\"\n";
      ok = false;
      continue;
    }
    const bool is_layer = match[1].matched;
    const std::string name = match[2].str();
    if (match[3].length() == 0) {
      std::cerr << where << (is_layer ? "layer " : "module ") << name
                << " says nothing of what it holds\n";
      ok = false;
    }
    if (is_layer) {
      layers.names.push_back(name);
    } else if (layers.names.empty()) {
      std::cerr << where << "module " << name << " comes before the first layer\n";
      ok = false;
    } else if (!layers.level.emplace(name, layers.names.size() - 1).second) {
      std::cerr << where << "module " << name << " is listed twice\n";
      ok = false;
    }
  }
  return ok;
}

struct Include {
  std::string file;     // the including file's name
  std::string module;   // the included module
};

// Finds a cycle among `modules` in the include graph `edges`, depth first; returns the
// includes along it, or nothing.
std::vector<Include> find_cycle(const std::set<std::string> &modules,
                                const std::map<std::string, std::vector<Include>> &edges) {
  std::map<std::string, int> color;  // 0 unseen, 1 on the path, 2 done
  std::vector<Include> path;
  std::vector<Include> cycle;
  auto visit = [&](auto &&self, const std::string &module) -> bool {
    color[module] = 1;
    auto found = edges.find(module);
    if (found != edges.end()) {
      for (const Include &include : found->second) {
        if (!modules.count(include.module) || include.module == module) continue;
        path.push_back(include);
        if (color[include.module] == 1) {
          auto start = std::find_if(path.begin(), path.end(), [&](const Include &step) {
            return fs::path(step.file).stem() == include.module;
          });
          cycle.assign(start, path.end());
          return true;
        }
        if (color[include.module] == 0 && self(self, include.module)) return true;
        path.pop_back();
      }
    }
    color[module] = 2;
    return false;
  };
  for (const std::string &module : modules)
    if (color[module] == 0 && visit(visit, module)) return cycle;
  return {};
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::cerr << "usage: check_layers SRC_LIBS_DIR\n";
    return 2;
  }
  const fs::path dir = argv[1];
  Layers layers;
  bool ok = read_layers(dir / "layers.txt", layers);

  const std::regex include_line(R"(^\s*#\s*include\s*"([^"]+)\.h")");
  std::map<std::string, std::vector<Include>> edges;  // module -> its includes
  std::vector<fs::path> files;
  for (const auto &entry : fs::directory_iterator(dir)) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".cpp" || ext == ".h") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path &file : files) {
    const std::string name = file.filename().string();
    const std::string module = file.stem().string();
    auto own = layers.level.find(module);
    if (own == layers.level.end()) {
      std::cerr << name << ": module " << module << " has no layer in layers.txt\n";
      ok = false;
      continue;
    }
    std::ifstream in(file);
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
      if (!std::regex_search(line, match, include_line)) continue;
      const std::string included = fs::path(match[1].str()).filename().string();
      if (included == "kora") continue;  // the public header sits below every layer
      auto level = layers.level.find(included);
      if (level == layers.level.end()) {
        std::cerr << name << ": includes " << included << ".h, which has no layer\n";
        ok = false;
      } else if (level->second > own->second) {
        std::cerr << name << ": includes " << included << ".h of layer "
                  << layers.names[level->second] << ", above its own layer "
                  << layers.names[own->second] << "\n";
        ok = false;
      } else if (level->second == own->second && included != module) {
        edges[module].push_back({name, included});
      }
    }
  }

  for (size_t level = 0; level < layers.names.size(); level++) {
    std::set<std::string> modules;
    for (const auto &[module, at] : layers.level)
      if (at == level) modules.insert(module);
    std::vector<Include> cycle = find_cycle(modules, edges);
    if (cycle.empty()) continue;
    std::cerr << "layer " << layers.names[level] << " has an include cycle:";
    for (const Include &step : cycle) std::cerr << " " << step.file << " -> " << step.module << ".h;";
    std::cerr << "\n";
    ok = false;
  }
  return ok ? 0 : 1;
}
