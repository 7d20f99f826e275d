#include "tools/soak/random_faults.h"

#include "config/cell_map.h"
#include "emulator/fault_catalogue.h"

#include <algorithm>
#include <vector>

namespace quarn::soak {

namespace {

// What one draw switches on: a fault of the catalogue, or faults together.
struct FaultKind {
  QString name;
  std::vector<const EmulatorFault*> faults;
  bool at_address() const {
    return std::any_of(faults.begin(), faults.end(), [](const EmulatorFault* f) { return f->takes_address(); });
  }
};

const std::vector<FaultKind>& fault_kinds() {
  static const std::vector<FaultKind> kinds = [] {
    std::vector<FaultKind> all;
    for (const EmulatorFault& fault : emulator_faults()) {
      if (fault.acts_alone) all.push_back({QLatin1String(fault.name), {&fault}});
    }
    all.push_back({QStringLiteral("vanish_at_write_and_return"),
                   {emulator_fault_named("vanish_at_write"), emulator_fault_named("return_after_vanish")}});
    return all;
  }();
  return kinds;
}

}  // namespace

CycleFaults random_faults(std::mt19937& random) {
  CycleFaults cycle;
  const int draw = std::uniform_int_distribution(0, 9)(random);
  const int count = draw < 4 ? 0 : draw < 9 ? 1 : 2;
  const auto& kinds = fault_kinds();
  std::uniform_int_distribution<std::size_t> pick_kind(0, kinds.size() - 1);
  // Steps the read-back covers: a cell beyond it (63) is written by a factory
  // load but never read, so no run can see a fault there.
  std::uniform_int_distribution pick_address(0, read_count - 1);
  for (int i = 0; i < count; ++i) {
    const FaultKind& kind = kinds[pick_kind(random)];
    const int address = pick_address(random);
    for (const EmulatorFault* fault : kind.faults) fault->switch_on(cycle.faults, address);
    cycle.names << (kind.at_address() ? QStringLiteral("%1=%2").arg(kind.name).arg(address) : kind.name);
  }
  return cycle;
}

}  // namespace quarn::soak
