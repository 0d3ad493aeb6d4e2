// The header read back, two-level networks converted, and the definitions saved and loaded as
// a whole.

#include "files.h"

#include <string>
#include <vector>

#include "bin-header.h"
#include "fat-str.h"
#include "heap.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"
#include "prop-names.h"
#include "prop.h"
#include "struct.h"

namespace {

using kora_test::Bytes;
using kora_test::messages;

class FilesTest : public kora_test::QuietLibrary {
 protected:
  kora_test::ScratchFiles files_;
};

// The notice is the COPYRIGHT property; one too long for the header's two-byte length is cut
// to what fits (the header length counts it padded to an even length).
TEST_F(FilesTest, TheHeaderReadBackHasTheWrittenDateNoticeAndCount) {
  kora::set_fixed_time(1700000000);  // November 14, 2023 22:13:20 GMT
  const std::string long_notice(70000, 'c');
  for (const std::string &notice : {std::string("(c) the authors of a"), long_notice}) {
    NET *net = symbol_net("a");
    add_string_property(net, "COPYRIGHT", notice.c_str());
    std::string path = files_.path("header.fst");
    ASSERT_EQ(save_net(net, path.c_str(), nullptr), 0);
    kora::last_file_header() = kora::FILE_HEADER{};
    NV *nv = load_nets(path.c_str(), nullptr);
    ASSERT_NE(nv, nullptr) << notice.size();
    const kora::FILE_HEADER &header = kora::last_file_header();
    EXPECT_EQ(header.type, 19);
    EXPECT_EQ(header.creation_time, 1700000000);
    EXPECT_EQ(header.time_text, "November 14, 2023 22:13:20 GMT");
    if (notice.size() < 0xFFFF) {
      EXPECT_EQ(header.notice, notice);
    } else {
      EXPECT_EQ(header.header_length, 0xFFFE);
      EXPECT_EQ(header.notice, notice.substr(0, header.notice.size()));
    }
    EXPECT_EQ(header.network_count, 1);
    EXPECT_EQ(header.total_length, static_cast<int64_t>(kora_test::read_bytes(path).size()));
    free_nv_and_nets(nv);
    free_network(net);
  }
}

// SOURCE_DATE_EPOCH sets the time written into the header, so that saving gives the same bytes
// whenever it runs; a value that is not a number of seconds is reported and the clock used.
TEST_F(FilesTest, SourceDateEpochMakesSavedBytesReproducible) {
  kora::set_fixed_time(-1);
  NET *net = symbol_net("a");
  const std::string path = files_.path("epoch.fst");
  auto saved = [&] {
    EXPECT_EQ(save_net(net, path.c_str(), nullptr), 0);
    return kora_test::read_bytes(path);
  };
  setenv("SOURCE_DATE_EPOCH", "86400", 1);
  const Bytes first = saved();
  EXPECT_EQ(kora::utc_time(), 86400);
  EXPECT_EQ(saved(), first);
  set_save_time(1000);  // before the variable
  EXPECT_EQ(kora::utc_time(), 1000);
  set_save_time(-1);
  EXPECT_TRUE(messages().warnings.empty());
  for (const char *bad : {"", "12ab", "-5", "99999999999999999999"}) {
    setenv("SOURCE_DATE_EPOCH", bad, 1);
    EXPECT_GT(kora::utc_time(), 1700000000) << bad;
    EXPECT_EQ(messages().warnings.back(), std::string("SOURCE_DATE_EPOCH='").append(bad).append(
                                              "' is not a number of seconds: the clock's time is used."));
  }
  unsetenv("SOURCE_DATE_EPOCH");
  messages().clear();
  free_network(net);
}

// A file whose networks do not fit the memory limit gives nothing and leaves nothing behind:
// neither the networks read so far nor the vector that held them (which LeakSanitizer sees).
// Read in a fresh library, whose heaps have no free cells to take the networks in.
TEST_F(FilesTest, LoadingPastTheMemoryLimitLeavesNothingBehind) {
  NV *nets = make_nv(2);
  NV_net(nets, 0) = read_regex("{cat} | {dog}");
  NV_net(nets, 1) = read_regex("[a|b]* a [a|b]^6");
  const std::string path = files_.path("limit.fst");
  ASSERT_EQ(save_nets(nets, path.c_str(), nullptr), 0);
  free_nv_and_nets(nets);
  reclaim_kora(context_);
  context_ = initialize_kora();
  set_memory_limit(context_, 1024);
  EXPECT_EQ(load_nets(path.c_str(), nullptr), nullptr);
  set_memory_limit(context_, 0);
  ASSERT_FALSE(messages().errors.empty());
  EXPECT_EQ(messages().errors.back(), "Memory limit exceeded: LOAD_NETS (limit 1024 bytes)");
  EXPECT_EQ(kora::NET_HEAP->cells_in_use, 0);
  messages().clear();
  NV *loaded = load_nets(path.c_str(), nullptr);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(NV_len(loaded), 2);
  free_nv_and_nets(loaded);
}

TEST_F(FilesTest, SavedDefinitionsComeBackUnderTheirNamesInAFreshLibrary) {
  std::string path = files_.path("definitions.fst");
  EXPECT_EQ(save_defined_nets(path.c_str(), 0), 1);
  EXPECT_EQ(messages().warnings.back(), "No definitions");
  ASSERT_EQ(define_net("vowel", string_to_net("a", 0), 0), 0);
  ASSERT_EQ(define_net("pair", kora_test::chain_net(2), 0), 0);
  ASSERT_EQ(save_defined_nets(path.c_str(), 0), 0);
  reclaim_kora(context_);
  context_ = initialize_kora();
  ASSERT_EQ(load_defined_nets(path.c_str()), 0);
  EXPECT_EQ(kora_test::words(net("vowel"), 3), (std::set<std::string>{"a"}));
  EXPECT_EQ(kora_test::words(net("pair"), 3), (std::set<std::string>{"ab"}));
  NET *copy = load_defined_net("pair", path.c_str());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, net("pair"));
  free_network(copy);
  EXPECT_EQ(load_defined_net("none", path.c_str()), nullptr);
  EXPECT_EQ(messages().errors.back(), "No network named 'none' in '" + path + "'.");
  // Networks without a name are not defined.
  NET *anonymous = symbol_net("x");
  ASSERT_EQ(save_net(anonymous, path.c_str(), nullptr), 0);
  EXPECT_EQ(load_defined_nets(path.c_str()), 0);
  EXPECT_EQ(messages().warnings.back(),
            "File '" + path + "' contained 1 nets but no defined nets.");
  free_network(anonymous);
}

TEST_F(FilesTest, ATwoLevelNetworkIsConvertedToPairsWhenLoaded) {
  // Labels a:b and c as single symbols, listed in the SIGMA property.
  const uint32_t ab_symbol = kora::symbol_id("a:b");
  NET *net = kora_test::build_net(3, {2}, {{0, ab_symbol, 1}, {1, 'c', 2}});
  net->flags.twol = 1;
  kora::SEQUENCE *names = kora::NewSequence(kora::SYMBOL_PACKAGE_TYPE, 2);
  names->data[0].string = kora::fat_strdup(kora::label_record(ab_symbol)->name);
  names->data[1].string = kora::fat_strdup(kora::label_record('c')->name);
  kora::add_list_prop(net, kora::standard_name("SIGMA"), names);
  std::string path = files_.path("twol.fst");
  ASSERT_EQ(save_net(net, path.c_str(), nullptr), 0);
  NET *loaded = load_net(path.c_str(), nullptr);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(kora_test::alph_members(net_labels(loaded)),
            (std::set<uint32_t>{kora::pair_id('a', 'b'), 'c'}));
  EXPECT_EQ(loaded->arity, 2);
  EXPECT_FALSE(loaded->flags.twol);
  EXPECT_EQ(kora::get_prop(loaded, kora::standard_name("SIGMA")), nullptr);
  free_network(loaded);
  // Marked but without SIGMA: the mark goes, with a warning.
  kora::free_prop(kora::remove_prop(net, kora::standard_name("SIGMA")));
  ASSERT_EQ(save_net(net, path.c_str(), nullptr), 0);
  loaded = load_net(path.c_str(), nullptr);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(messages().warnings.back(), "Net marked as TWOL net but isn't.");
  EXPECT_FALSE(loaded->flags.twol);
  free_network(loaded);
  free_network(net);
}

}  // namespace
