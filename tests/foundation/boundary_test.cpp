// The boundary of the exported interface: calls that pass the memory limit fail cleanly and
// leave the library working; exceptions never leave an exported call.

#include <climits>
#include <new>
#include <stdexcept>
#include <string>

#include "boundary.h"
#include "heap.h"
#include "kora_test.h"
#include "memory-budget.h"
#include "str-buf.h"
#include "struct.h"

namespace {

using kora_test::messages;

class BoundaryTest : public kora_test::Library {};

// Counts modulo 997 and modulo 991 over {a, b}: two networks of about a thousand states whose
// composition counts modulo 988 027.
NET *counter(int modulus) {
  return read_regex(("[[a|b]^" + std::to_string(modulus) + "]*").c_str());
}

// Each call explodes; allowed 32 MiB, far more than the library holds before it, it must fail
// with the budget's message, free the networks it made, leave its kept operands as they were and leave
// the library working.
TEST_F(BoundaryTest, ExplodingCallsStopAtTheLimitAndLeaveTheLibraryWorking) {
  NET *deletion = read_regex("%^ -> 0");
  NET *a = counter(997);
  NET *b = counter(991);
  NET *a_before = copy_net(a);
  APPLY_CONTEXT *generator = init_apply(deletion, 1, context_);
  struct Case {
    const char *operation;
    bool (*fails)(NET *, NET *, APPLY_CONTEXT *);
  };
  const Case cases[] = {
      {"READ_REGEX",
       [](NET *, NET *, APPLY_CONTEXT *) { return read_regex("[a|b]* a [a|b]^22") == nullptr; }},
      {"COMPOSE_NET",
       [](NET *x, NET *y, APPLY_CONTEXT *) { return compose_net(x, y, 1, 1) == nullptr; }},
      {"APPLY_TO_STRING",
       [](NET *, NET *, APPLY_CONTEXT *g) {
         return apply_to_string(std::string(22, 'a').c_str(), g) == nullptr;
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.operation);
    const int networks = kora::NET_HEAP->cells_in_use;
    const size_t limit = 32u << 20;
    set_memory_limit(context_, limit);
    messages().clear();
    EXPECT_TRUE(c.fails(a, b, generator));
    set_memory_limit(context_, 0);
    ASSERT_EQ(messages().errors.size(), 1u);
    EXPECT_EQ(messages().errors[0],
              std::string("Memory limit exceeded: ") + c.operation + " (limit " +
                  std::to_string(limit) + " bytes)");
    EXPECT_EQ(kora::NET_HEAP->cells_in_use, networks) << "the networks made are freed";
    EXPECT_TRUE(test_equivalent(a, a_before)) << "a kept operand is unchanged";

    NET *small = read_regex("[a|b]* a [a|b]^3");
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->num_states, 16);
    free_network(small);
    EXPECT_STREQ(apply_to_string("a", generator), "a\r\na^\r\n^a\r\n^a^\r\n");
  }
  free_applyer(generator);
  for (NET *net : {deletion, a, b, a_before}) free_network(net);
}

// A buffer refuses to pass INT_MAX characters rather than overflow its positions; the call
// under way is abandoned with the reason.
TEST_F(BoundaryTest, ATextTooLongForABufferAbandonsTheCall) {
  STRING_BUFFER *buffer = kora::make_thin_buffer(8);
  kora::append_string_to_buffer("abc", buffer);
  kora::guarded("append_text",
                [&] { kora::assure_buffer_space(static_cast<size_t>(INT_MAX) - 3, buffer); });
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0], "Text too long: APPEND_TEXT (more than 2147483646 characters)");
  EXPECT_STREQ(STRING_BUFFER_thin(buffer), "abc");
  kora::free_string_buffer(buffer);
}

// An exported function that the library calls inside another runs its body directly: only the
// outermost call reports, under its own name.
TEST_F(BoundaryTest, OnlyTheOutermostCallReports) {
  const int result = kora::guarded("outer", 7, [] {
    return kora::guarded("inner", 5, []() -> int {
      throw kora::CallAbandoned{"Memory limit exceeded", "limit 1 bytes"};
    });
  });
  EXPECT_EQ(result, 7);
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0], "Memory limit exceeded: OUTER (limit 1 bytes)");
}

// A refused allocation ends the process as every allocation failure does; any other exception
// is a broken invariant.
TEST(BoundaryDeathTest, OtherExceptionsEndTheProcessWithTheLibrarysReport) {
  EXPECT_EXIT(kora::guarded("load_net", [] { throw std::bad_alloc(); }),
              ::testing::ExitedWithCode(1), "Out of memory: LOAD_NET");
  EXPECT_EXIT(kora::guarded("load_net", [] { throw std::logic_error("broken"); }),
              ::testing::ExitedWithCode(1), "PROGRAMMING ERROR in LOAD_NET :\n  Unexpected exception: broken");
}

}  // namespace
