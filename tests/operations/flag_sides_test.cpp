// The flag tests of composition and flag elimination: list flags and other flags, the lists
// they name, and which sides of a network carry flags.

#include "alph.h"
#include "flag-sides.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"

namespace {

using namespace kora;
using kora_test::messages;

class FlagSidesTest : public kora_test::Library {};

TEST_F(FlagSidesTest, ListFlagsAndOtherFlags) {
  ASSERT_EQ(kora_test::define_list("Vowel", {'a', 'e'}), 0);
  const uint32_t in = symbol_id("@L.Vowel@"), out = symbol_id("@X.Vowel@");
  const uint32_t undefined = symbol_id("@L.Nothing@"), set = symbol_id("@P.CASE.NOM@");
  for (uint32_t id : {in, out, undefined}) {
    EXPECT_TRUE(list_flag_p(id)) << id;
    EXPECT_FALSE(non_list_flag_p(id)) << id;
  }
  EXPECT_TRUE(non_list_flag_p(set));
  EXPECT_FALSE(list_flag_p(set));
  for (uint32_t plain : {uint32_t{'a'}, symbol_id("@P.broken"), pair_id(in, 'a')}) {
    EXPECT_FALSE(list_flag_p(plain)) << plain;
    EXPECT_FALSE(non_list_flag_p(plain)) << plain;
  }
  EXPECT_TRUE(list_flag_admits(in, 'a'));
  EXPECT_FALSE(list_flag_admits(in, 'b'));
  EXPECT_FALSE(list_flag_admits(out, 'a'));
  EXPECT_TRUE(list_flag_admits(out, 'b'));
  EXPECT_EQ(list_flag_list(undefined), nullptr);
  EXPECT_FALSE(list_flag_admits(undefined, 'a'));
  messages().clear();
}

TEST_F(FlagSidesTest, FlagsOnEachSide) {
  const uint32_t flag = symbol_id("@U.CASE.GEN@");
  NET *upper = pair_net(flag, 'a'), *lower = pair_net('a', flag), *both = label_net(flag);
  NET *none = pair_net('a', 'b');
  EXPECT_EQ(flags_present_p(upper, UPPER_SIDE), 1);
  EXPECT_EQ(flags_present_p(upper, LOWER_SIDE), 0);
  EXPECT_EQ(flags_present_p(lower, UPPER_SIDE), 0);
  EXPECT_EQ(flags_present_p(lower, LOWER_SIDE), 1);
  EXPECT_EQ(flags_present_p(both, UPPER_SIDE), 1);
  EXPECT_EQ(flags_present_p(both, LOWER_SIDE), 1);
  EXPECT_EQ(flags_present_p(none, LOWER_SIDE), 0);
  EXPECT_TRUE(messages().errors.empty());
  EXPECT_EQ(flags_present_p(both, 2), 0);
  EXPECT_EQ(messages().errors, std::vector<std::string>{"flags_present_p: Side should be UPPER or LOWER, got 2"});
  for (NET *net : {upper, lower, both, none}) free_network(net);
}

}  // namespace
