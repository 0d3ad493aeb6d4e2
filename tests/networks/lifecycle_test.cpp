// Whole lives of the library: networks, definitions, lists and properties made and left behind,
// then reclaimed; LeakSanitizer checks at exit that reclaim_kora released everything.

#include "kora_test.h"
#include "label.h"

namespace {


// Leaves the library full of things its caller never freed.
void populate() {
  NET *words = union_net(string_to_net("cat", 0), string_to_net("dog", 0), 0, 0);
  add_string_property(words, "NETWORKNAME", "pets");
  add_string_property(words, "AUTHORS", "nobody");
  ASSERT_EQ(define_net("Pets", words, 1), 0);
  ALPH *vowels = binary_to_label(alph_add_to(alph_add_to(net_sigma(words), 'a', 1), 'o', 0));
  ASSERT_EQ(define_symbol_list("Vowels", vowels), 0);
  NET *copy = get_net("Pets", 1);
  ASSERT_NE(copy, nullptr);
  union_net(copy, symbol_net("\xC3\xA9l\xC3\xA8ve"), 1, 0);  // result left behind
  pair_net(kora::symbol_id("+Noun"), kora::EPSILON);
}

TEST(LifecycleTest, TwoFullCyclesLeaveNothingBehind) {
  for (int cycle = 0; cycle < 2; cycle++) {
    SCOPED_TRACE(cycle);
    FST_CONTEXT *context = initialize_kora();
    int_parameters()->word[KORA_VERBOSE] = 0;
    uint32_t first_free_id = kora::label_count();
    populate();
    EXPECT_NE(get_net("Pets", 0), nullptr);
    reclaim_kora(context);

    context = initialize_kora();
    EXPECT_EQ(kora::label_count(), first_free_id) << "labels start afresh";
    int_parameters()->word[KORA_VERBOSE] = 0;
    set_error_function([](const char *, const char *, int) {});
    EXPECT_EQ(get_net("Pets", 0), nullptr) << "definitions start afresh";
    set_error_function(nullptr);
    reclaim_kora(context);
  }
  int_parameters()->word[KORA_VERBOSE] = 1;
}

}  // namespace
