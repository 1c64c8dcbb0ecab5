#include "pfield_local/node_counts.h"

#include <gtest/gtest.h>

namespace meldrit::pfield_local {
namespace {

struct NodeTextCase {
  std::string typed;
  std::string whole_text;
  std::string text;
  bool negative;
};

class LocalNodeTextRule : public testing::TestWithParam<NodeTextCase> {};

TEST_P(LocalNodeTextRule, WholePartThenSignDropped) {
  const NodeTextCase& c = GetParam();
  const NodeTextResult result = normalize_node_text(c.typed);
  EXPECT_EQ(result.whole_text, c.whole_text);
  EXPECT_EQ(result.text, c.text);
  EXPECT_EQ(result.negative, c.negative);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LocalNodeTextRule,
    testing::Values(NodeTextCase{"12.7", "12", "12", false}, NodeTextCase{"abc", "0", "0", false},
                    NodeTextCase{" ", "0", "0", false}, NodeTextCase{"-3.2", "-4", "4", true},
                    NodeTextCase{"-5", "-5", "5", true}, NodeTextCase{"-0.5", "-1", "1", true},
                    NodeTextCase{"0", "0", "0", false}, NodeTextCase{" 1 0", "10", "10", false}));

TEST(LocalNodeTextRule, MessageNamesTheAxis) {
  EXPECT_EQ(illegal_node_count_message("Y"), "Illegal value for number Y nodes!");
}

}  // namespace
}  // namespace meldrit::pfield_local
