// kora lookup / generate / apply (up | down) [--words | --spaced] [--cascade | --lazy] [--flush]
// [-j N]
// [--max-results N] NETWORK [INPUT]: applies a network to each line of INPUT or of the standard
// input, in the convention of lookup tools: "input<TAB>output" for each result,
// "input<TAB>input<TAB>+?" when there is none, and an empty line after each input. lookup
// analyses (applies up: reads the lower, lexical-surface side and writes the upper side),
// generate applies down. An input with more than N results (default kDefaultMaxResults, 0 for
// no limit) gets its first N and a note on standard error, and the command then exits with
// status 1; so does one the library reported an error for.
//
// A file of several networks is a cascade: with --cascade each result of one network is an
// input of the next, so that the cascade answers as the composition of its networks in file
// order would (down: in file order; up: in reverse order); without it, the first network is
// applied, with a note that the others are not. With --lazy the networks are composed in file
// order into one virtual network (lazy_compose_net), whose states are made as the lookups reach
// them: the answers of the composition, without building it, nor looking up every result of
// one network in the next.
//
// The input is read in large blocks, as it arrives. With one thread, lines are answered in
// order and the answers written in large blocks; when output goes to a terminal or with --flush
// (which therefore always use one thread), each answer is written and flushed before the next
// line is read, so the tool can serve another program through a pipe. With N threads, the main
// thread reads the input in batches of lines, N workers, each with applyers of its own over
// the networks, answer whole batches, and the main thread writes the answers batch by batch
// in input order.
// At most a few batches per worker are in flight, so memory stays bounded by the batch size
// (or by the longest line) whatever the input's length. The messages a worker's lookups report
// are kept with its batch and written in input order too, so the output on both streams is the
// same as with one thread. A write error on standard output stops the reading.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "answers.h"
#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// A batch is closed at this many lines or this many bytes, whichever comes first.
constexpr size_t kBatchLines = 1024;
constexpr size_t kBatchBytes = 1 << 20;
// Batches in flight per worker: one being answered, one waiting, one being written.
constexpr size_t kBatchesPerWorker = 3;
// The input is read, and without flushing the output written, in blocks of about this size.
constexpr size_t kBlockBytes = 64 * 1024;
// Results written per input unless --max-results says otherwise: far more than a word has
// analyses, far fewer than a runaway network (one that inserts or deletes freely) produces.
constexpr long kDefaultMaxResults = 10000;
// A note about an input quotes at most this many of its bytes.
constexpr size_t kQuotedBytes = 60;

void write_all(const char *bytes, size_t size, FILE *stream) {
  if (size > 0) std::fwrite(bytes, 1, size, stream);
}

void write_all(const std::string &text, FILE *stream) {
  write_all(text.data(), text.size(), stream);
}

void write_all(const Answers &answers, FILE *stream) {
  write_all(answers.data(), answers.size(), stream);
}

// Reads the lines of a stream in blocks straight from its file descriptor (the stream itself is
// not read). Each line is handed out without its line end ("\n" and any carriage returns
// before it) and 0-terminated in place; a last line without "\n" counts. A read returns what
// is there, so a line that arrived through a pipe is handed out without waiting for the block
// to fill.
class LineReader {
 public:
  explicit LineReader(FILE *input) : fd_(fileno(input)), buffer_(kBlockBytes) {}

  // The next line and its length, valid until the next call; false at the end of the input
  // (or at a read error, which ends it too).
  bool next(char **line, size_t *length) {
    while (true) {
      char *begin = buffer_.data() + start_;
      char *newline = static_cast<char *>(
          std::memchr(buffer_.data() + scanned_, '\n', end_ - scanned_));
      if (newline != nullptr || (at_end_ && start_ < end_)) {
        char *stop = newline != nullptr ? newline : buffer_.data() + end_;
        start_ = newline != nullptr ? static_cast<size_t>(newline - buffer_.data()) + 1 : end_;
        scanned_ = start_;
        while (stop > begin && stop[-1] == '\r') stop--;
        *stop = '\0';  // over the "\n", a "\r", or the spare byte kept after the data
        *line = begin;
        *length = static_cast<size_t>(stop - begin);
        return true;
      }
      if (at_end_) return false;
      scanned_ = end_;
      fill();
    }
  }

 private:
  // Moves the unfinished line to the front, makes room (a block at least, plus the spare byte
  // for a last line's terminator) and reads what is there.
  void fill() {
    std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
    end_ -= start_;
    scanned_ -= start_;
    start_ = 0;
    if (buffer_.size() - end_ < kBlockBytes / 2 + 1) buffer_.resize(buffer_.size() * 2);
    ssize_t got;
    do {
      got = read(fd_, buffer_.data() + end_, buffer_.size() - end_ - 1);
    } while (got < 0 && errno == EINTR);
    if (got <= 0)
      at_end_ = true;
    else
      end_ += static_cast<size_t>(got);
  }

  int fd_;
  std::vector<char> buffer_;
  size_t start_ = 0;    // where the next line starts
  size_t scanned_ = 0;  // bytes before this hold no "\n" of the next line
  size_t end_ = 0;      // end of the bytes read
  bool at_end_ = false;
};

// One applyer per network of a cascade, in the order they apply (a single network is a
// cascade of one).
using Stages = std::vector<APPLY_CONTEXT *>;

Stages make_stages(const std::vector<NET *> &nets, int input_side) {
  Stages stages;
  for (NET *net : nets) stages.push_back(init_apply(net, input_side, nullptr));
  if (input_side == 1) std::reverse(stages.begin(), stages.end());
  return stages;
}

void free_stages(Stages &stages) {
  for (APPLY_CONTEXT *applyer : stages) free_applyer(applyer);
  stages.clear();
}

// The results of a cascade for one input, each ended by "\n": every result of a stage is
// looked up in the next, and the results of the last stage are kept in the order found,
// without repeats. A stage keeps at most max_results + 1 results, enough for the caller to see
// that some were cut. Costs one lookup per result of each stage.
std::string cascade_results(const Stages &stages, const char *input, size_t max_results) {
  std::vector<std::string> inputs{input};
  for (APPLY_CONTEXT *stage : stages) {
    std::vector<std::string> outputs;
    std::unordered_set<std::string> seen;
    for (const std::string &text : inputs) {
      const char *results = apply_to_string(text.c_str(), stage);
      for (const char *line = results; line != nullptr && *line != '\0';) {
        const char *end = std::strchr(line, '\n');
        if (end == nullptr) end = line + std::strlen(line);
        std::string result(line, static_cast<size_t>(end - line));
        if (outputs.size() <= max_results && seen.insert(result).second)
          outputs.push_back(std::move(result));
        line = *end == '\n' ? end + 1 : end;
      }
    }
    inputs = std::move(outputs);
  }
  std::string joined;
  for (const std::string &result : inputs) joined.append(result).push_back('\n');
  return joined;
}

// Answers one line with at most max_results results; when some were left out, says so through
// report() and counts a failure.
void answer_line(const Stages &stages, const char *line, size_t length, size_t max_results,
                 Answers &out) {
  bool cut = false;
  if (stages.size() == 1) {
    answer(stages[0], line, length, out, max_results, &cut);
  } else {
    length = strnlen(line, length);
    const std::string results = cascade_results(stages, line, max_results);
    format_answer(line, length, results.c_str(), out, max_results, &cut);
  }
  if (!cut) return;
  count_failure();
  length = strnlen(line, length);
  std::string quoted(line, length < kQuotedBytes ? length : kQuotedBytes);
  if (length > kQuotedBytes) quoted += "...";
  std::string most = std::to_string(max_results);
  report("kora: '" + quoted + "' has more than " + most + " results; only the first " + most +
         " are written (see --max-results)\n");
}

// --- One thread -------------------------------------------------------------------------------

// Answers line by line. When flushing, each answer is written and flushed before the next line
// is read; otherwise the answers go out in blocks.
void apply_one_thread(const std::vector<NET *> &nets, int input_side, FILE *input, bool flush,
                      size_t max_results) {
  Stages stages = make_stages(nets, input_side);
  LineReader reader(input);
  char *line;
  size_t length;
  Answers out;
  while (!std::ferror(stdout) && reader.next(&line, &length)) {
    answer_line(stages, line, length, max_results, out);
    if (flush || out.size() >= kBlockBytes) {
      write_all(out, stdout);
      out.clear();
      if (flush) std::fflush(stdout);
    }
  }
  write_all(out, stdout);
  free_stages(stages);
}

// --- Several threads --------------------------------------------------------------------------

struct Batch {
  std::string text;             // the lines, each without its line end and 0-terminated
  std::vector<size_t> lengths;  // their lengths, in order
  Answers out;           // the answers, in line order
  std::string messages;  // what the library reported while answering, in line order
  bool done = false;
};

class Pipeline {
 public:
  Pipeline(const std::vector<NET *> &nets, int input_side, unsigned workers, size_t max_results)
      : max_results_(max_results) {
    // The applyers are made before any thread runs; each worker then uses only its own.
    for (unsigned k = 0; k < workers; k++) stages_.push_back(make_stages(nets, input_side));
    for (unsigned k = 0; k < workers; k++) threads_.emplace_back(&Pipeline::work, this, &stages_[k]);
  }

  ~Pipeline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
    }
    work_ready_.notify_all();
    for (std::thread &thread : threads_) thread.join();
    for (Stages &stages : stages_) free_stages(stages);
  }

  // Reads the whole input and writes the answers in order.
  void run(FILE *input) {
    const size_t most_in_flight = kBatchesPerWorker * threads_.size();
    LineReader reader(input);
    char *line;
    size_t length;
    bool more = true;
    while (more && !std::ferror(stdout)) {
      auto batch = std::make_shared<Batch>();
      while (batch->lengths.size() < kBatchLines && batch->text.size() < kBatchBytes &&
             (more = reader.next(&line, &length))) {
        batch->text.append(line, length + 1);
        batch->lengths.push_back(length);
      }
      if (batch->lengths.empty()) break;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        in_flight_.push_back(batch);
        waiting_.push_back(batch);
      }
      work_ready_.notify_one();
      while (in_flight_count() >= most_in_flight) write_first();
    }
    while (in_flight_count() > 0) write_first();
  }

 private:
  size_t in_flight_count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return in_flight_.size();
  }

  // Waits for the oldest batch to be answered and writes it.
  void write_first() {
    std::shared_ptr<Batch> batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      batch_done_.wait(lock, [&] { return in_flight_.front()->done; });
      batch = in_flight_.front();
      in_flight_.pop_front();
    }
    write_all(batch->messages, stderr);
    write_all(batch->out, stdout);
  }

  void work(const Stages *stages) {
    while (true) {
      std::shared_ptr<Batch> batch;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        work_ready_.wait(lock, [&] { return closing_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        batch = waiting_.front();
        waiting_.pop_front();
      }
      keep_messages_in(&batch->messages);
      const char *line = batch->text.c_str();
      for (size_t length : batch->lengths) {
        answer_line(*stages, line, length, max_results_, batch->out);
        line += length + 1;
      }
      keep_messages_in(nullptr);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        batch->done = true;
      }
      batch_done_.notify_all();
    }
  }

  size_t max_results_;
  std::vector<Stages> stages_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable batch_done_;
  std::deque<std::shared_ptr<Batch>> in_flight_;  // read and not yet written, in input order
  std::deque<std::shared_ptr<Batch>> waiting_;    // not yet taken by a worker
  bool closing_ = false;
};

// Takes "-j N" or "-jN" out of the arguments into *jobs; false when N is not a positive number.
bool take_jobs(int &argc, char **argv, unsigned *jobs) {
  long n = *jobs;
  if (!take_number_option(argc, argv, "-j", 1, 1024, &n)) return false;
  *jobs = static_cast<unsigned>(n);
  return true;
}

int apply_lines(int argc, char **argv, int input_side) {
  bool flush = false, cascade = false, lazy = false;
  unsigned jobs = std::thread::hardware_concurrency();
  if (jobs == 0) jobs = 1;
  long max_results = kDefaultMaxResults;
  Source source;
  std::vector<const char *> files;
  if (!take_jobs(argc, argv, &jobs) ||
      !take_number_option(argc, argv, "--max-results", 0, LONG_MAX, &max_results) ||
      !parse_network_arguments(argc, argv, {{"--flush", &flush}, {"--cascade", &cascade}, {"--lazy", &lazy}},
                               2,
                               &source, files))
    return usage();
  if (cascade && lazy) {
    std::fprintf(stderr, "kora: --cascade and --lazy exclude each other\n");
    return 2;
  }
  FILE *input = stdin;
  if (files.size() == 2) {
    if (!check_readable(files[1])) return 1;
    if ((input = std::fopen(files[1], "r")) == nullptr) {
      std::fprintf(stderr, "kora: cannot read '%s': %s\n", files[1], std::strerror(errno));
      return 1;
    }
  }
  // A compacted network is looked up where it lies in the file: only the pages of the states
  // that lookups reach are ever read.
  get_default_kora_context()->map_arc_blocks = 1;
  std::vector<NET *> nets = read_networks(files[0], source);
  if (nets.empty()) {
    if (input != stdin) std::fclose(input);
    return 1;
  }
  if (lazy) {
    NV vector{static_cast<int>(nets.size()), nets.data()};
    NET *composed = lazy_compose_net(&vector, 0);
    nets.clear();
    if (composed == nullptr) {
      if (input != stdin) std::fclose(input);
      return 1;
    }
    nets.push_back(composed);
  } else if (nets.size() > 1 && !cascade) {
    std::fprintf(stderr,
                 "kora: warning: %s holds %zu networks; only the first is applied (--cascade "
                 "applies them all in turn)\n",
                 files[0], nets.size());
    for (size_t i = 1; i < nets.size(); i++) free_network(nets[i]);
    nets.resize(1);
  }
  size_t most = max_results == 0 ? SIZE_MAX : static_cast<size_t>(max_results);
  flush = flush || isatty(fileno(stdout));
  if (jobs == 1 || flush) {
    apply_one_thread(nets, input_side, input, flush, most);
  } else {
    Pipeline pipeline(nets, input_side, jobs, most);
    pipeline.run(input);
  }
  for (NET *net : nets) free_network(net);
  if (input != stdin) std::fclose(input);
  return 0;
}

}  // namespace

int lookup_command(int argc, char **argv) { return apply_lines(argc, argv, 1); }

int generate_command(int argc, char **argv) { return apply_lines(argc, argv, 0); }

int apply_command(int argc, char **argv) {
  if (argc < 1) return usage();
  if (std::strcmp(argv[0], "up") == 0) return apply_lines(argc - 1, argv + 1, 1);
  if (std::strcmp(argv[0], "down") == 0) return apply_lines(argc - 1, argv + 1, 0);
  std::fprintf(stderr, "kora: apply: the direction must be 'up' or 'down', not '%s'\n", argv[0]);
  return 2;
}

}  // namespace kora_tool
