// kora patterns [--words | --spaced] [--up | --down] [--delete | --extract | --count] [--latin1]
// [-j N] NETWORK [INPUT]: marks up the matches of a pattern network in the text of INPUT or of
// the standard input. At each position the longest match is taken and written between "<name>"
// and "</name>", its closing tag in the network; the rest is copied. --delete leaves the matches
// out, --extract writes only the matches, one per line, and --count writes only the table of
// the matches of each tag. The network is read from the side without the closing tags (--up
// reads the lower side, --down the upper side). --latin1 reads and writes ISO-8859-1 text.
//
// Matches never contain a line feed, so the lines of the text are marked up independently.
// With one thread (the default) the text is streamed through one pattern applyer, which reads
// it into a ring of symbols a block at a time: memory stays constant whatever the text's size.
// With -j N the main thread reads blocks of whole lines (about kBlockBytes each; a longer line
// makes a longer block), N workers with pattern applyers of their own mark them up, and the main
// thread writes the results in input order, with at most a few blocks per worker in flight; the
// output is the same, byte for byte, as with one thread, and the counts are added up over the
// workers' applyers.

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kora.h"
#include "tag-side.h"
#include "tool.h"

namespace kora_tool {
namespace {

constexpr size_t kBlockBytes = 1 << 20;
constexpr size_t kBlocksPerWorker = 3;

void write_all(const char *bytes, size_t size) {
  if (size > 0) std::fwrite(bytes, 1, size, stdout);
}

struct Block {
  std::string text;
  std::string out;
  bool done = false;
};

// Reads blocks of whole lines (the last one may lack its line end) straight from a file
// descriptor into the blocks' own strings; the part line after a block's last line end is
// carried over to the next block.
class BlockReader {
 public:
  explicit BlockReader(FILE *input) : fd_(fileno(input)) {}

  // The next block into *text; false at the end of the input.
  bool next(std::string *text) {
    text->assign(carry_);  // (keeping the capacity of a recycled block)
    carry_.clear();
    size_t searched = 0;  // bytes of *text without a line end
    while (!at_end_) {
      if (text->size() >= kBlockBytes) {
        const size_t newline = text->rfind('\n');
        if (newline != std::string::npos && newline >= searched) {
          carry_.assign(*text, newline + 1, std::string::npos);
          text->resize(newline + 1);
          return true;
        }
        searched = text->size();  // a line longer than a block: the block grows to its end
      }
      const size_t size = text->size();
      text->resize(size + kReadBytes);
      ssize_t got;
      do {
        got = read(fd_, text->data() + size, kReadBytes);
      } while (got < 0 && errno == EINTR);
      text->resize(size + (got > 0 ? static_cast<size_t>(got) : 0));
      if (got <= 0) at_end_ = true;
    }
    return !text->empty();
  }

 private:
  static constexpr size_t kReadBytes = 256 * 1024;
  int fd_;
  std::string carry_;
  bool at_end_ = false;
};

class Pipeline {
 public:
  Pipeline(NET *net, int side, unsigned workers, bool count) {
    // The applyers are made before any thread runs; each worker then uses only its own (and,
    // when counting, one more that adds up the counts of its blocks).
    for (unsigned k = 0; k < workers; k++) {
      applyers_.push_back(init_apply_patterns(net, side, nullptr));
      if (count) totals_.push_back(init_apply_patterns(net, side, nullptr));
    }
    for (unsigned k = 0; k < workers; k++) threads_.emplace_back(&Pipeline::work, this, k);
  }

  ~Pipeline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
    }
    work_ready_.notify_all();
    for (std::thread &thread : threads_) thread.join();
    for (APPLY_CONTEXT *applyer : applyers_) free_applyer(applyer);
    for (APPLY_CONTEXT *applyer : totals_) free_applyer(applyer);
  }

  void run(FILE *input) {
    BlockReader reader(input);
    const size_t most = kBlocksPerWorker * threads_.size();
    while (!std::ferror(stdout)) {
      std::shared_ptr<Block> block = recycled();
      if (!reader.next(&block->text)) break;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        in_flight_.push_back(block);
        waiting_.push_back(block);
      }
      work_ready_.notify_one();
      while (in_flight_count() >= most) write_first();
    }
    while (in_flight_count() > 0) write_first();
  }

  // The counts of every worker, added up in the first worker's total (when counting).
  APPLY_CONTEXT *counts() {
    for (size_t k = 1; k < totals_.size(); k++) add_pattern_match_counts(totals_[0], totals_[k]);
    return totals_[0];
  }

 private:
  size_t in_flight_count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return in_flight_.size();
  }

  void write_first() {
    std::shared_ptr<Block> block;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      block_done_.wait(lock, [&] { return in_flight_.front()->done; });
      block = in_flight_.front();
      in_flight_.pop_front();
    }
    write_all(block->out.data(), block->out.size());
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(block);
  }

  // A block to fill: one written before, whose strings keep their memory (so that the pages of
  // a megabyte are not given back and faulted in again for every block), or a new one.
  std::shared_ptr<Block> recycled() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty()) return std::make_shared<Block>();
    std::shared_ptr<Block> block = free_.back();
    free_.pop_back();
    block->out.clear();
    block->done = false;
    return block;
  }

  void work(unsigned k) {
    APPLY_CONTEXT *applyer = applyers_[k];
    while (true) {
      std::shared_ptr<Block> block;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        work_ready_.wait(lock, [&] { return closing_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        block = waiting_.front();
        waiting_.pop_front();
      }
      init_apply_to_string(block->text.c_str(), applyer);
      block->out.reserve(block->text.size() + block->text.size() / 4);
      for (const char *out; (out = next_pattern_output(applyer)) != nullptr;) block->out += out;
      if (!totals_.empty()) add_pattern_match_counts(totals_[k], applyer);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        block->done = true;
      }
      block_done_.notify_all();
    }
  }

  std::vector<APPLY_CONTEXT *> applyers_, totals_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable work_ready_, block_done_;
  std::deque<std::shared_ptr<Block>> in_flight_, waiting_;
  std::vector<std::shared_ptr<Block>> free_;
  bool closing_ = false;
};

}  // namespace

int patterns_command(int argc, char **argv) {
  bool up = false, down = false, remove = false, extract = false, count = false, latin1 = false;
  long jobs = 1;
  Source source;
  std::vector<const char *> files;
  if (!take_number_option(argc, argv, "-j", 1, 1024, &jobs) ||
      !parse_network_arguments(argc, argv,
                               {{"--up", &up},
                                {"--down", &down},
                                {"--delete", &remove},
                                {"--extract", &extract},
                                {"--count", &count},
                                {"--latin1", &latin1}},
                               2, &source, files) ||
      (up && down) || remove + extract + count > 1)
    return usage();
  if (latin1) set_char_encoding(get_default_kora_context(), KORA_LATIN1);
  FILE *input = stdin;
  if (files.size() == 2) {
    if (!check_readable(files[1])) return 1;
    if ((input = std::fopen(files[1], "rb")) == nullptr) {
      std::fprintf(stderr, "kora: cannot read '%s': %s\n", files[1], std::strerror(errno));
      return 1;
    }
  }
  NET *net = read_network(files[0], source);
  if (net == nullptr) {
    if (input != stdin) std::fclose(input);
    return 1;
  }
  int side = up ? 1 : down ? 0 : -1;
  if (side < 0) {
    const int tags = tag_side(net);
    if (tags < 0) {
      std::fprintf(stderr, "kora: %s has no closing tags (symbols </name>) on either side\n",
                   files[0]);
      free_network(net);
      if (input != stdin) std::fclose(input);
      return 1;
    }
    side = tags == 0 ? 1 : 0;  // read the other side
  }
  int32_t *words = int_parameters()->word;
  words[KORA_COUNT_PATTERNS] = 1;
  words[KORA_DELETE_PATTERNS] = remove || count;
  words[KORA_EXTRACT_PATTERNS] = extract || count;
  int status = 0;
  if (jobs == 1) {
    std::fflush(stdout);
    APPLY_CONTEXT *applyer = new_pattern_applyer(net, nullptr, input, stdout, side, nullptr);
    if (applyer == nullptr || apply_patterns(applyer) < 0) status = 1;
    if (count && applyer != nullptr)
      std::fputs(pattern_match_counts_to_page(applyer, nullptr), stdout);
    free_applyer(applyer);
  } else {
    Pipeline pipeline(net, side, static_cast<unsigned>(jobs), count);
    pipeline.run(input);
    if (count) std::fputs(pattern_match_counts_to_page(pipeline.counts(), nullptr), stdout);
  }
  free_network(net);
  if (input != stdin) std::fclose(input);
  return status;
}

}  // namespace kora_tool
