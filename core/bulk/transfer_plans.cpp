// The plans of zanteqctl's own questions: the scan and raw lines. The
// others are built beside their step tables.
#include "core/bulk/transfer_plans.h"

#include "core/bulk/set_all.h"

namespace zanteq {

TransferPlan scan_transfer_plan(int timeout_ms) {
  TransferPlan plan;
  plan.timeout_ms = timeout_ms;
  TransferStep step;
  step.command = "RVN\r\n";  // the shortest answer of all
  step.awaits = Awaits::data_line;
  step.asked = "VN";
  plan.steps.push_back(step);
  return plan;
}

TransferPlan raw_lines_transfer_plan(const std::vector<std::string>& lines) {
  TransferPlan plan;
  plan.timer_period_ms = set_all_plan.period_ms;
  plan.independent_steps = true;
  for (const std::string& line : lines) {
    TransferStep step;
    step.command = line + "\r\n";
    step.awaits = Awaits::any_line;
    plan.steps.push_back(step);
  }
  return plan;
}

}  // namespace zanteq
