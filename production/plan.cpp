#include "production/plan.h"

#include "production/part_image.h"

namespace tessimor::production {

namespace {

constexpr std::uint64_t kDefaultStep = 1;

}  // namespace

Checked<SerialValue> Numbering::At(std::uint64_t index) const {
  if (counter) {
    Checked<std::uint64_t> value = CounterValue(*counter, index);
    if (!value.value) return Refusal{value.error};
    return SerialValue(*value.value);
  }
  if (index >= values.size()) {
    return Refusal{"Every number of " + file_name +
                   " has been handed out: the serials file is "
                   "used up."};
  }
  return values[index];
}

Checked<Plan> MakePlan(const EepromImage& golden, const PlanRequest& request) {
  Checked<Layout> layout = ParseLayout(request.serial, request.crcs);
  if (!layout.value) return Refusal{layout.error};
  Plan plan{*layout.value, {}};
  if (!request.serials_name.empty()) {
    Checked<std::vector<SerialValue>> values =
        ParseSerials(request.serials_name, request.serials_text, plan.layout.serial);
    if (!values.value) return Refusal{values.error};
    plan.numbering.values = std::move(*values.value);
    plan.numbering.file_name = request.serials_name;
  } else {
    const std::optional<std::uint64_t> start = ParseNumber(request.serial_start);
    if (!start) return Refusal{"--serial-start " + request.serial_start + " is not a number."};
    std::optional<std::uint64_t> step = kDefaultStep;
    if (!request.serial_step.empty()) step = ParseNumber(request.serial_step);
    if (!step || *step == 0) {
      return Refusal{"--serial-step " + request.serial_step + " is not a number of 1 or more."};
    }
    plan.numbering.counter = Counter{*start, *step};
  }
  // The first part shows what every part would meet: a value too wide, a checksum over bytes
  // nothing writes.
  const Checked<SerialValue> first = plan.numbering.At(0);
  if (!first.value) return Refusal{first.error};
  const Checked<PartImage> part = MakePartImage(golden, plan.layout, *first.value);
  if (!part.value) return Refusal{part.error};
  return plan;
}

std::string NumberingText(const Numbering& numbering, const std::string& serials_sha256) {
  if (numbering.counter) {
    return "start " + std::to_string(numbering.counter->start) + " step " +
           std::to_string(numbering.counter->step);
  }
  return "file sha256 " + serials_sha256;
}

}  // namespace tessimor::production
