#include "tools/soak/fault_catalogue.h"

#include "config/cell_map.h"

namespace quarn::soak {

const std::vector<FaultKind>& fault_kinds() {
  using F = TransmitterFaults;
  static const std::vector<FaultKind> kinds{
      {"noise_before_ready", false, [](F& f, int) { f.noise_before_ready = true; }},
      {"double_ready", false, [](F& f, int) { f.double_ready = true; }},
      {"stray_before_ack_at", true, [](F& f, int a) { f.stray_before_ack_at = a; }},
      {"double_ack_every_write", false, [](F& f, int) { f.double_ack_every_write = true; }},
      {"double_ack_at", true, [](F& f, int a) { f.double_ack_at = a; }},
      {"lowercase_ack", false, [](F& f, int) { f.lowercase_ack = true; }},
      {"no_ack_from", true, [](F& f, int a) { f.no_ack_from = a; }},
      {"store_other_at", true, [](F& f, int a) { f.store_other_at = a; }},
      {"extra_after_read_at", true, [](F& f, int a) { f.extra_after_read_at = a; }},
      {"wrong_checksum", false, [](F& f, int) { f.wrong_checksum = true; }},
      {"silent", false, [](F& f, int) { f.silent = true; }},
      {"echo", false, [](F& f, int) { f.echo = true; }},
      {"vanish_at_read", true, [](F& f, int a) { f.vanish_at_read = a; }},
      {"vanish_at_write", true, [](F& f, int a) { f.vanish_at_write = a; }},
      {"vanish_at_write_and_return", true, [](F& f, int a) { f.vanish_at_write = a; f.return_after_vanish = true; }},
      {"late_ack_at", true, [](F& f, int a) { f.late_ack_at = a; }},
      {"hang_at_read", true, [](F& f, int a) { f.hang_at_read = a; }},
      {"flood_at_read", true, [](F& f, int a) { f.flood_at_read = a; }},
      {"flood_at_write", true, [](F& f, int a) { f.flood_at_write = a; }},
  };
  return kinds;
}

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
    kind.switch_on(cycle.faults, address);
    cycle.names << (kind.at_address ? QStringLiteral("%1=%2").arg(QLatin1String(kind.name)).arg(address) : QLatin1String(kind.name));
  }
  return cycle;
}

}  // namespace quarn::soak
