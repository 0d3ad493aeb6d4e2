// kora lookup / kora generate [--words | --spaced] [--flush] [-j N] NETWORK [INPUT]: applies a
// network down (lookup) or up (generate) to each line of INPUT or of the standard input, in the
// convention of lookup tools: "input<TAB>output" for each result, "input<TAB>input<TAB>+?" when
// there is none, and an empty line after each input.
//
// With one thread, lines are read and answered one at a time, so the tool can serve another
// program through a pipe; output is flushed after each input when it goes to a terminal or with
// --flush (which therefore always use one thread). With N threads, the main thread reads the
// input in batches of lines, N workers, each with an applyer of its own over the one network,
// answer whole batches, and the main thread writes the answers batch by batch in input order.
// At most a few batches per worker are in flight, so memory stays bounded by the batch size
// (or by the longest line) whatever the input's length. The messages a worker's lookups report
// are kept with its batch and written in input order too, so the output on both streams is the
// same as with one thread.

#include <unistd.h>

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
#include "tool.h"

namespace kora_tool {
namespace {

// A batch is closed at this many lines or this many bytes, whichever comes first.
constexpr size_t kBatchLines = 1024;
constexpr size_t kBatchBytes = 1 << 20;
// Batches in flight per worker: one being answered, one waiting, one being written.
constexpr size_t kBatchesPerWorker = 3;

// Looks one input line up (its line end already cut off) and appends the answer: each result
// (ended by "\n", the context's end-of-line string) as "input<TAB>result", or
// "input<TAB>input<TAB>+?" when there is none, then an empty line.
void answer(APPLY_CONTEXT *applyer, const char *input, std::string &out) {
  const char *results = apply_to_string(input, applyer);
  if (results == nullptr || *results == '\0') {
    out.append(input).append("\t").append(input).append("\t+?\n");
  } else {
    for (const char *line = results; *line != '\0';) {
      const char *end = std::strchr(line, '\n');
      if (end == nullptr) end = line + std::strlen(line);
      out.append(input).append("\t").append(line, static_cast<size_t>(end - line)).append("\n");
      line = *end == '\n' ? end + 1 : end;
    }
  }
  out.append("\n");
}

// Cuts the line end (and any carriage returns before it) off a line read by getline.
void cut_line_end(std::string &line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
}

void write_all(const std::string &text, FILE *stream) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
}

// --- One thread -------------------------------------------------------------------------------

void apply_one_thread(NET *net, int input_side, FILE *input, bool flush) {
  APPLY_CONTEXT *applyer = init_apply(net, input_side, nullptr);
  char *line = nullptr;
  size_t capacity = 0;
  ssize_t length;
  std::string out;
  while ((length = getline(&line, &capacity, input)) >= 0) {
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = '\0';
    out.clear();
    answer(applyer, line, out);
    write_all(out, stdout);
    if (flush) std::fflush(stdout);
  }
  std::free(line);
  free_applyer(applyer);
}

// --- Several threads --------------------------------------------------------------------------

struct Batch {
  std::vector<std::string> lines;
  std::string out;       // the answers, in line order
  std::string messages;  // what the library reported while answering, in line order
  bool done = false;
};

// Where the library's messages go on a worker thread: the batch it is answering.
thread_local std::string *message_sink = nullptr;

void keep_message(const char *kind, const char *message) {
  std::string text = "\n*** ";
  text.append(kind).append(": ").append(message).append(" ***\n");
  if (message_sink != nullptr)
    message_sink->append(text);
  else
    write_all(text, stderr);
}

void keep_error(const char *message, const char *, int) { keep_message("ERROR", message); }
void keep_warning(const char *message, const char *, int) { keep_message("Warning", message); }

class Pipeline {
 public:
  Pipeline(NET *net, int input_side, unsigned workers) {
    // The applyers are made before any thread runs; each worker then uses only its own.
    for (unsigned k = 0; k < workers; k++) applyers_.push_back(init_apply(net, input_side, nullptr));
    for (unsigned k = 0; k < workers; k++) threads_.emplace_back(&Pipeline::work, this, applyers_[k]);
  }

  ~Pipeline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
    }
    work_ready_.notify_all();
    for (std::thread &thread : threads_) thread.join();
    for (APPLY_CONTEXT *applyer : applyers_) free_applyer(applyer);
  }

  // Reads the whole input and writes the answers in order.
  void run(FILE *input) {
    const size_t most_in_flight = kBatchesPerWorker * threads_.size();
    char *line = nullptr;
    size_t capacity = 0;
    bool more = true;
    while (more) {
      auto batch = std::make_shared<Batch>();
      size_t bytes = 0;
      ssize_t length = 0;
      while (batch->lines.size() < kBatchLines && bytes < kBatchBytes &&
             (length = getline(&line, &capacity, input)) >= 0) {
        batch->lines.emplace_back(line, static_cast<size_t>(length));
        bytes += static_cast<size_t>(length);
      }
      more = length >= 0;
      if (batch->lines.empty()) break;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        in_flight_.push_back(batch);
        waiting_.push_back(batch);
      }
      work_ready_.notify_one();
      while (in_flight_count() >= most_in_flight) write_first();
    }
    std::free(line);
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

  void work(APPLY_CONTEXT *applyer) {
    while (true) {
      std::shared_ptr<Batch> batch;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        work_ready_.wait(lock, [&] { return closing_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        batch = waiting_.front();
        waiting_.pop_front();
      }
      message_sink = &batch->messages;
      for (std::string &line : batch->lines) {
        cut_line_end(line);
        answer(applyer, line.c_str(), batch->out);
      }
      message_sink = nullptr;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        batch->done = true;
      }
      batch_done_.notify_all();
    }
  }

  std::vector<APPLY_CONTEXT *> applyers_;
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
  bool flush = false;
  unsigned jobs = std::thread::hardware_concurrency();
  if (jobs == 0) jobs = 1;
  Source source;
  std::vector<const char *> files;
  if (!take_jobs(argc, argv, &jobs) ||
      !parse_network_arguments(argc, argv, {{"--flush", &flush}}, 2, &source, files))
    return usage();
  FILE *input = stdin;
  if (files.size() == 2 && (input = std::fopen(files[1], "r")) == nullptr) {
    std::fprintf(stderr, "kora: cannot read '%s'\n", files[1]);
    return 1;
  }
  NET *net = read_network(files[0], source);
  if (net == nullptr) {
    if (input != stdin) std::fclose(input);
    return 1;
  }
  flush = flush || isatty(fileno(stdout));
  if (jobs == 1 || flush) {
    apply_one_thread(net, input_side, input, flush);
  } else {
    set_error_function(keep_error);
    set_warning_function(keep_warning);
    {
      Pipeline pipeline(net, input_side, jobs);
      pipeline.run(input);
    }
    set_error_function(nullptr);
    set_warning_function(nullptr);
  }
  free_network(net);
  if (input != stdin) std::fclose(input);
  return 0;
}

}  // namespace

int lookup_command(int argc, char **argv) { return apply_lines(argc, argv, 0); }

int generate_command(int argc, char **argv) { return apply_lines(argc, argv, 1); }

}  // namespace kora_tool
