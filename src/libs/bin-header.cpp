// The container of network files (see bin-header.h).

#include "bin-header.h"

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>

#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "prop-names.h"
#include "prop.h"

namespace kora {
namespace {

// Seconds from 1 January 1900 to 1 January 1970.
constexpr int64_t kEpochOffset = 2208988800LL;

// Appends `text` and, when its length is odd, a zero byte.
void put_padded(ByteWriter &out, const std::string &text) {
  out.put_bytes(text.data(), text.size());
  if (text.size() % 2 != 0) out.put_byte(0);
}

size_t padded_length(const std::string &text) { return text.size() + text.size() % 2; }

// The notice of a file whose first network is `first`.
std::string default_notice(NET *first, const std::tm &time) {
  const OBJECT *copyright =
      first == nullptr ? nullptr : get_prop(first, standard_name("COPYRIGHT"));
  if (copyright != nullptr && copyright->type == STRING_TYPE &&
      copyright->value.string != nullptr) {
    STRING_BUFFER *buffer = make_thin_buffer(80);
    std::string text = fat_to_utf8(copyright->value.string, buffer);
    free_string_buffer(buffer);
    return text;
  }
  char year[32];
  std::strftime(year, sizeof year, "Copyright (c) %Y by ", &time);
  const char *holder = copyright_holder(nullptr);
  return std::string(year) + (holder == nullptr ? "" : holder);
}

// A text field of `length` bytes, cut at its first zero byte.
std::string get_text(ByteReader &in, size_t length) {
  const uint8_t *bytes = nullptr;
  if (!in.get_bytes(length, &bytes)) return {};
  const auto *text = reinterpret_cast<const char *>(bytes);
  return std::string(text, strnlen(text, length));
}

// The flags stored in the flag word, by bit. The start state's finality (0x100) is not a flag
// of the network record and is handled apart.
#define KORA_FILE_FLAG(bit, field)                          \
  {                                                         \
    bit, [](const NET *net) -> bool { return net->field; }, \
        [](NET *net, bool on) { net->field = on; }          \
  }
struct FileFlag {
  uint32_t bit;
  bool (*get)(const NET *net);
  void (*set)(NET *net, bool on);
};
const FileFlag kFileFlags[] = {
    KORA_FILE_FLAG(0x1, flags.deterministic),
    KORA_FILE_FLAG(0x2, flags.pruned),
    KORA_FILE_FLAG(0x4, flags.completed),
    KORA_FILE_FLAG(0x8, flags.minimized),
    KORA_FILE_FLAG(0x10, flags.epsilon_free),
    KORA_FILE_FLAG(0x20, flags.loop_free),
    KORA_FILE_FLAG(0x40, flags.twol),
    KORA_FILE_FLAG(0x80, flags.closed_sigma),
    KORA_FILE_FLAG(0x200, flags.compacted),
    KORA_FILE_FLAG(0x400, flags2.sorted_arcs),
    KORA_FILE_FLAG(0x800, flags.tabular),
    KORA_FILE_FLAG(0x1000, flags2.upper_sequentialized),
    KORA_FILE_FLAG(0x2000, flags2.lower_sequentialized),
    KORA_FILE_FLAG(0x4000, flags2.left_bimachine),
    KORA_FILE_FLAG(0x8000, flags2.right_bimachine),
    KORA_FILE_FLAG(0x10000, flags2.reduced_labelset),
    KORA_FILE_FLAG(0x20000, flags2.is_virtual),
    KORA_FILE_FLAG(0x40000, flags2.optimized),
};
#undef KORA_FILE_FLAG

}  // namespace

uint32_t file_flag_word(const NET *net) {
  uint32_t word = net->start != nullptr && net->start->flags.final ? 0x100 : 0;
  for (const FileFlag &flag : kFileFlags)
    if (flag.get(net)) word |= flag.bit;
  return word;
}

void set_file_flags(NET *net, uint32_t word) {
  for (const FileFlag &flag : kFileFlags) flag.set(net, (word & flag.bit) != 0);
}

FILE_HEADER &last_file_header() { return file_headers.last; }

void reset_file_headers() {
  FileHeaders &s = file_headers;
  s.last = FILE_HEADER{};
  s.fixed_time = -1;
  s.table =
      FORMAT_TABLE{unsupported_writer, unsupported_writer, unsupported_writer, unsupported_writer,
                   unsupported_reader, unsupported_reader, unsupported_reader, unsupported_reader};
}

namespace {

// The time SOURCE_DATE_EPOCH gives (the reproducible-builds convention: a decimal number of
// Unix seconds), -1 when it is not set, and -2 with a warning when it is not such a number.
int64_t source_date_epoch() {
  const char *text = std::getenv("SOURCE_DATE_EPOCH");
  if (text == nullptr) return -1;
  int64_t seconds = 0;
  const char *end = text + std::strlen(text);
  const auto [stop, failure] = std::from_chars(text, end, seconds);
  if (*text == '\0' || failure != std::errc() || stop != end || seconds < 0) {
    warning_printf("SOURCE_DATE_EPOCH='%s' is not a number of seconds: the clock's time is used.",
                   text);
    return -2;
  }
  return seconds;
}

}  // namespace

int64_t utc_time() {
  if (file_headers.fixed_time >= 0) return file_headers.fixed_time;
  if (const int64_t epoch = source_date_epoch(); epoch >= 0) return epoch;
  std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) {
    error("utc_time_ptr: Cannot determine local time.");
    return -1;
  }
  return static_cast<int64_t>(now);
}

void set_fixed_time(int64_t seconds) { file_headers.fixed_time = seconds < 0 ? -1 : seconds; }

bool write_header(ByteWriter &out, int type, int sub_version, const char *notice, int count,
                  NET *first) {
  int64_t now = utc_time();
  std::time_t seconds = static_cast<std::time_t>(now);
  std::tm time{};
  if (now < 0 || gmtime_r(&seconds, &time) == nullptr) {
    error("write_header: Cannot determine local time.");
    return false;
  }
  if (type == 0)
    type = first != nullptr && first->flags.compacted ? FILE_TYPE_COMPACTED : FILE_TYPE_STANDARD;
  char time_text[128];
  std::strftime(time_text, sizeof time_text, "%B %d, %Y %H:%M:%S GMT", &time);
  FILE_HEADER header;
  header.type = type;
  header.sub_version = sub_version;
  header.creation_time = now;
  header.network_count = count;
  header.time_text = time_text;
  header.notice = notice != nullptr ? std::string(notice) : default_notice(first, time);
  header.copyright_location =
      static_cast<int>(HEADER_FIXED_LENGTH + padded_length(header.time_text));
  if (header.copyright_location > 255) {
    error_printf("write_header: Bad copyright location: %d", header.copyright_location);
    return false;
  }
  // The header length is a u16: a notice too long for it is cut.
  size_t room = 0xFFFE - static_cast<size_t>(header.copyright_location);
  if (header.notice.size() > room) header.notice.resize(room);
  header.header_length = static_cast<int>(header.copyright_location + padded_length(header.notice));
  const bool table = type != FILE_TYPE_OLD && type != FILE_TYPE_NO_TABLE;
  header.locations.assign(static_cast<size_t>(count), 0);
  header.written = true;

  const size_t start = out.size();
  out.put_u32(0);
  out.put_byte(static_cast<uint8_t>(type));
  out.put_byte(static_cast<uint8_t>(sub_version));
  out.put_byte(static_cast<uint8_t>(header.copyright_location));
  out.put_u32(static_cast<uint32_t>((now + kEpochOffset) & 0xFFFFFFFF));
  out.put_u16(static_cast<uint32_t>(header.header_length));
  out.put_u24(static_cast<uint32_t>(count));
  out.put_byte(0);
  out.put_byte(0);  // characters are two bytes
  out.put_byte(0);
  out.put_byte(0);
  put_padded(out, header.time_text);
  put_padded(out, header.notice);
  if (table)
    for (int i = 0; i < count; i++) out.put_u32(0);
  header.total_length = static_cast<int64_t>(out.size() - start);
  file_headers.last = std::move(header);
  return true;
}

bool get_header(ByteReader &in, bool quiet) {
  auto wrong_type = [&]() {
    if (!quiet) error("Cannot process the file header. Wrong type of file.");
    in.fail();
    return false;
  };
  auto bad_length = [&](int length) {
    if (!quiet) error_printf("get_header: Bad header length: %d", length);
    in.fail();
    return false;
  };
  const size_t start = in.position();
  if (in.remaining() < HEADER_FIXED_LENGTH) {
    if (quiet) {
      in.fail();
      return false;
    }
    in.fail_eof();
    return false;
  }
  FILE_HEADER header;
  header.total_length = in.get_u32();
  header.type = in.get_byte();
  header.sub_version = in.get_byte();
  header.copyright_location = in.get_byte();
  int64_t time = static_cast<int64_t>(in.get_u32()) - kEpochOffset;
  header.creation_time = time < 0 ? time + (int64_t{1} << 32) : time;
  header.header_length = static_cast<int>(in.get_u16());
  header.network_count = static_cast<int>(in.get_u24());
  int reserved = in.get_byte();
  header.char_width = in.get_byte();
  int reserved_18 = in.get_byte();
  int reserved_19 = in.get_byte();
  (void)reserved;
  if (header.total_length <= 0) return wrong_type();
  if (header.header_length > header.total_length) return bad_length(header.header_length);
  if (header.copyright_location > header.header_length ||
      header.copyright_location < HEADER_FIXED_LENGTH)
    return bad_length(header.header_length);
  if ((header.char_width != 0 && header.char_width != 2 && header.char_width != 4) ||
      reserved_18 != 0 || reserved_19 != 0)
    return wrong_type();
  const size_t text_length = static_cast<size_t>(header.copyright_location - HEADER_FIXED_LENGTH);
  const size_t notice_length =
      static_cast<size_t>(header.header_length - header.copyright_location);
  if (in.remaining() < text_length + notice_length) {
    if (quiet) {
      in.fail();
      return false;
    }
    in.fail_eof();
    return false;
  }
  header.time_text = get_text(in, text_length);
  header.notice = get_text(in, notice_length);
  if (in.position() - start != static_cast<size_t>(header.header_length)) return wrong_type();
  if (header.type != FILE_TYPE_OLD && header.type != FILE_TYPE_NO_TABLE) {
    const size_t count = static_cast<size_t>(header.network_count);
    if (in.remaining() / 4 < count) {
      if (quiet) {
        in.fail();
        return false;
      }
      in.fail_eof();
      return false;
    }
    header.locations.resize(count);
    for (size_t i = 0; i < count; i++) header.locations[i] = in.get_u32();
  }
  if (in.failed()) return false;
  header.file_name = file_headers.last.file_name;
  file_headers.last = std::move(header);
  return true;
}

int probe_bytes(const uint8_t *bytes, size_t size) {
  int type = size > HEADER_TYPE_OFFSET ? bytes[HEADER_TYPE_OFFSET] : -1;
  switch (type) {
    case FILE_TYPE_UNSUPPORTED:
    case FILE_TYPE_OLD:
    case FILE_TYPE_STANDARD:
    case FILE_TYPE_COMPACTED:
    case FILE_TYPE_NO_TABLE:
      return 0;
    default:
      break;
  }
  if (type >= 32)
    error("This looks like a text file. Cannot load it.");
  else
    error_printf("Unknown file type %d", type);
  return 10;
}

FILE *open_expanded(const char *file_name, const char *mode) {
  char *expanded = expand_file_name(file_name == nullptr ? "" : file_name);
  FILE *file = std::fopen(expanded, mode);
  std::free(expanded);
  return file;
}

bool read_library_file(const char *file_name, std::vector<uint8_t> &bytes) {
  FILE *file = open_expanded(file_name, "rb");
  if (file == nullptr) return false;
  // The bytes go straight from the file into the vector: sized for a regular file (one more
  // byte, so that the first read also meets the end), doubled as needed for anything else.
  struct stat info;
  const bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
  std::setvbuf(file, nullptr, _IONBF, 0);
  bytes.resize(regular ? static_cast<size_t>(info.st_size) + 1 : 65536);
  size_t size = 0, got;
  while ((got = std::fread(bytes.data() + size, 1, bytes.size() - size, file)) > 0) {
    size += got;
    if (size == bytes.size()) bytes.resize(2 * size);
  }
  bytes.resize(size);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

FORMAT_TABLE &format_table() { return file_headers.table; }

int unsupported_writer(NET *, ByteWriter &, BODY_WRITE *) {
  error("Unsupported file format; cannot write this network to file.");
  return 1;
}

int unsupported_reader(NET *, ByteReader &, BODY_READ *) {
  error("Unsupported file format; cannot load this network.");
  return 1;
}

}  // namespace kora
