#include "pfield_multiphase/node_counts.h"

#include <gtest/gtest.h>

namespace meldrit::pfield_multiphase {
namespace {

struct NodeCase {
  std::array<std::string, 3> texts;
  std::string message;  // empty: accepted
  int reset_box;
};

class NodeCountTable : public testing::TestWithParam<NodeCase> {};

TEST_P(NodeCountTable, FirstFaultOnly) {
  const NodeCase& c = GetParam();
  const NodeCountCheck check = check_node_counts(c.texts);
  EXPECT_EQ(check.ok, c.message.empty());
  EXPECT_EQ(check.message, c.message);
  EXPECT_EQ(check.reset_box, c.reset_box);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, NodeCountTable,
    testing::Values(NodeCase{{"0", "5", "5"}, "Illegal value for number X nodes!", 0},
                    // Lower bounds of all three come before any upper bound.
                    NodeCase{{"5", "1001", "0"}, "Illegal value for number Z nodes!", 2},
                    NodeCase{{"5", "1001", "5"}, "Illegal value for number Y nodes! (1-1000)", 1},
                    NodeCase{{"1000", "1", "1"}, "", -1},
                    NodeCase{{" ", "1", "1"}, "Illegal value for number X nodes!", 0},
                    NodeCase{{"1", "1", "abc"}, "Illegal value for number Z nodes!", 2},
                    NodeCase{{"1", "0.5", "1"}, "Illegal value for number Y nodes!", 1},
                    NodeCase{{"1000.5", "1", "1"}, "Illegal value for number X nodes! (1-1000)", 0},
                    NodeCase{{"12abc", " 3", "7"}, "", -1}));

}  // namespace
}  // namespace meldrit::pfield_multiphase
