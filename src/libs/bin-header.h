// The container of network files: the header, the table of network locations, how files are
// opened, probed and recorded, and the table of body readers and writers by kind of network.
//
// Header, big-endian, offsets from the start of the file:
//    0 u32  total length of the file (patched when the file is complete)
//    4 byte file type (FILE_TYPE_*)          5 byte sub-version, 0
//    6 byte offset of the copyright notice   7 u32  creation time, seconds since 1900 (mod 2^32)
//   11 u16  header length = offset of the location table
//   13 u24  number of networks              16 byte reserved 0
//   17 byte character width code, 0         18, 19 reserved 0
//   20 the creation time as text ("%B %d, %Y %H:%M:%S GMT"), padded with a 0 to an even length
//      the copyright notice, padded the same way
//      the location table: one u32 per network, the offset of its record or 0 when it could
//      not be written (files of types 8 and 101 have none).
// The header of the last file read or written is kept (last_file_header) for the caller that
// wants its dates and notice. Tested in tests/formats/golden_test.cpp and
// tests/formats/files_test.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bin-code.h"
#include "kora.h"

namespace kora {

enum : int {
  FILE_TYPE_UNSUPPORTED = 1,  // recognized; its networks cannot be loaded
  FILE_TYPE_OLD = 8,          // older file without location table
  FILE_TYPE_STANDARD = 19,    // the first network is not compacted
  FILE_TYPE_COMPACTED = 20,   // the first network is compacted
  FILE_TYPE_NO_TABLE = 101    // without location table
};

// Offsets of the header fields that are patched or read on their own.
constexpr int HEADER_TYPE_OFFSET = 4;
constexpr int HEADER_FIXED_LENGTH = 20;

struct FILE_HEADER {
  int64_t total_length = 0;
  int type = 0;
  int sub_version = 0;
  int copyright_location = 0;
  int64_t creation_time = 0;  // Unix seconds
  int header_length = 0;
  int network_count = 0;
  int char_width = 0;
  std::string time_text;
  std::string notice;
  std::string file_name;  // the file last read with this header
  bool written = false;
  std::vector<uint32_t> locations;
};

// The header of the last file read or written.
FILE_HEADER &last_file_header();
// Empties it and the settings below (part of reclaiming the library).
void reset_file_headers();

// Appends the header of a file of `count` networks, up to and including a location table of
// zeros (none for types 8 and 101), and records it as the last header. `type` 0 chooses 19, or 20
// when `first` is compacted; a null `notice` chooses the COPYRIGHT string of `first`, else
// "Copyright (c) %Y by " and the copyright holder. Returns false after "write_header: Cannot
// determine local time." or "write_header: Bad copyright location: %d".
bool write_header(ByteWriter &out, int type, int sub_version, const char *notice, int count,
                  NET *first);

// Reads and checks the header and its location table at the reader's position. On success it
// becomes the last header (its file name kept) and true is returned. Failures: "get_header:
// Bad header length: %d", "Cannot process the file header. Wrong type of file." and the end of
// the bytes; in quiet mode nothing is reported.
bool get_header(ByteReader &in, bool quiet);

// The probe of a file's type byte: 0 when it is 1, 8, 19, 20 or 101; 10 with "This looks like a
// text file. Cannot load it." when the byte is 32 to 255, else 10 with "Unknown file type %d" (-1
// for bytes too short to have one).
int probe_bytes(const uint8_t *bytes, size_t size);

// Opens the file named as expand_file_name expands it (a null name counts as "") with fopen's
// `mode`; null when it cannot be opened (nothing reported).
FILE *open_expanded(const char *file_name, const char *mode);

// Reads the whole file into `bytes` (through open_expanded); false when it cannot be opened or
// read.
bool read_library_file(const char *file_name, std::vector<uint8_t> &bytes);

// The current time in Unix seconds, or -1 with "utc_time_ptr: Cannot determine local time.":
// the time of the environment variable SOURCE_DATE_EPOCH when it holds a number of seconds
// (else a warning, and the clock), so that builds can be reproduced byte for byte.
// set_fixed_time makes it answer `seconds` until set_fixed_time(-1), before the variable (for
// files made to be compared byte for byte).
int64_t utc_time();
void set_fixed_time(int64_t seconds);

// The progress bar of reading or writing a network of `arcs` arcs on standard error, drawn
// only when `on` and the network has at least 2500 arcs: two spaces, 33 spaces, "100%", a
// carriage return and "0%", then one ">" per 33rd of the arcs, and `end` when finished.
class ProgressBar {
 public:
  ProgressBar(bool on, uint32_t arcs) : on_(on && arcs >= 2500), step_(arcs / 33) {
    if (on_) std::fprintf(stderr, "  %33s100%%\r0%%", "");
  }
  void arc_done() {
    if (on_ && ++count_ % step_ == 0) std::fputc('>', stderr);
  }
  void finish(const char *end) {
    if (on_) std::fputs(end, stderr);
  }

 private:
  bool on_;
  uint32_t step_;
  uint32_t count_ = 0;
};

// The network's flag word as files store it (bit 0x100: the start state is final), and the
// network's flags set from one (all but the start state's finality, which the body carries).
uint32_t file_flag_word(const NET *net);
void set_file_flags(NET *net, uint32_t word);

// ---- Readers and writers by kind of network ----------------------------------------------------

struct BODY_WRITE;  // what the network writer hands a body writer (bin-out.h)
struct BODY_READ;   // what the network reader hands a body reader (bin-in.h)

// A body writer appends the body of `net` and returns 0, or 1 when it refuses (the network is
// then left out of the file). A body reader fills `net` from the body and returns 0, or 1 when
// the body cannot be read (reported).
using BodyWriter = int (*)(NET *net, ByteWriter &out, BODY_WRITE *work);
using BodyReader = int (*)(NET *net, ByteReader &in, BODY_READ *work);

struct FORMAT_TABLE {
  BodyWriter standard_writer;
  BodyWriter compacted_writer;
  BodyWriter virtual_writer;
  BodyWriter other_writer;  // "Vantel compressed" networks
  BodyReader standard_reader;
  BodyReader compacted_reader;
  BodyReader virtual_reader;
  BodyReader other_reader;  // file type 1
};

// The table in force. Every entry starts as the unsupported writer or reader.
FORMAT_TABLE &format_table();

// Report "Unsupported file format; cannot write this network to file." (or "...; cannot load
// this network.") and return 1.
int unsupported_writer(NET *net, ByteWriter &out, BODY_WRITE *work);
int unsupported_reader(NET *net, ByteReader &in, BODY_READ *work);

// What this module keeps between files. Defined in globals.cpp with the rest of the library's
// state.
struct FileHeaders {
  FILE_HEADER last;         // the header of the last file read or written
  int64_t fixed_time = -1;  // the time utc_time answers, or -1 for the clock
  FORMAT_TABLE table{unsupported_writer, unsupported_writer, unsupported_writer,
                     unsupported_writer, unsupported_reader, unsupported_reader,
                     unsupported_reader, unsupported_reader};
};
extern FileHeaders file_headers;

}  // namespace kora
