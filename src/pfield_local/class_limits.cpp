#include "pfield_local/class_limits.h"

#include "pfield_local/local_messages.h"
#include "pfield_local/node_counts.h"
#include "textio/numeric_value.h"

namespace meldrit::pfield_local {

ClassLimitsResult check_class_limits(const ClassLimitsInput& input) {
  ClassLimitsResult result;
  const int R = input.table_rows;
  result.limits.assign(R < 0 ? 1 : static_cast<std::size_t>(R) + 1, 0.0);
  // A table without class rows (nothing imported) cannot give any limit.
  if (R < 2 || input.rows.size() < static_cast<std::size_t>(R - 1)) {
    result.outcome = job::Outcome::refused(messages::kDefineThresholds);
    return result;
  }
  std::vector<double>& L = result.limits;
  const double a = textio::numeric_value(input.rows[0].lower);
  L[0] = a;
  const double b = textio::numeric_value(input.rows[R - 2].upper);
  for (int i = 1; i <= R - 1; ++i) L[i - 1] = textio::numeric_value(input.rows[i - 1].lower);
  L[R - 1] = b;
  for (int i = 1; i <= R - 2; ++i) {
    if (L[i] <= a || L[i] >= b || L[i] < L[i - 1] || L[i] > L[i + 1]) {
      result.outcome = job::Outcome::refused(messages::illegal_class_limits(i));
      return result;
    }
  }
  double product = 1;
  for (int box = 0; box < 3; ++box) {
    const double count = textio::numeric_value(input.nodes[box]);
    if (count < 1) {
      result.outcome = job::Outcome::refused(messages::illegal_node_count(kAxisNames[box]));
      result.reset_box = box;
      return result;
    }
    product *= count;
  }
  if (textio::numeric_value(input.count_caption) != product) {
    result.outcome = job::Outcome::refused(messages::node_product_mismatch(input.count_caption));
  }
  return result;
}

ClassLimitsInput class_limits_input(const std::vector<std::string>& limits,
                                    const std::array<std::string, 3>& nodes, std::string count_caption) {
  ClassLimitsInput input;
  input.table_rows = static_cast<int>(limits.size());
  for (std::size_t k = 1; k < limits.size(); ++k) input.rows.push_back({limits[k - 1], limits[k]});
  input.nodes = nodes;
  input.count_caption = std::move(count_caption);
  return input;
}

}  // namespace meldrit::pfield_local
