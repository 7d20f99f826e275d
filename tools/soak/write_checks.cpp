#include "tools/soak/write_checks.h"

#include "link/link_protocol.h"

#include <algorithm>

namespace quarn::soak {

std::optional<QString> memory_violation(const MemoryImage& before, const std::vector<std::uint8_t>& writes,
                                        const ReportedWrites& reported, std::optional<int> stored_otherwise,
                                        const MemoryImage& after) {
  for (int cell = 0; cell < memory_size; ++cell) {
    const auto c = std::size_t(cell);
    const bool acknowledged = cell < reported.acknowledged && c < writes.size();
    if (reported.one_in_flight && cell == reported.acknowledged) continue;
    if (acknowledged && cell == stored_otherwise && !reported.read_back_ran) continue;
    std::uint8_t expected = acknowledged ? writes[c] : before[c];
    if (acknowledged && std::ranges::count(reported.mismatched, cell) > 0) expected = reported.read_back[c];
    if (after[c] != expected) {
      return QStringLiteral("cell %1 holds %2, expected %3 (before %4, %5 writes acknowledged)")
          .arg(cell).arg(after[c]).arg(expected).arg(before[c]).arg(reported.acknowledged);
    }
  }
  return std::nullopt;
}

std::optional<QString> unwritten_change(const MemoryImage& before, const std::vector<std::uint8_t>& sent_writes,
                                        const MemoryImage& after) {
  for (std::size_t c = sent_writes.size(); c < before.size(); ++c) {
    if (after[c] != before[c]) return QStringLiteral("cell %1 changed from %2 to %3 unwritten").arg(c).arg(before[c]).arg(after[c]);
  }
  return std::nullopt;
}

bool device_confirmed(const QByteArray& replies, const std::vector<std::uint8_t>& writes, const MemoryImage& after) {
  QByteArray clean(qsizetype(writes.size()), letter::ready);
  clean.append(reinterpret_cast<const char*>(after.data()), read_count);
  const Generation generation = generation_of(after[cell::device_type]);
  for (std::size_t c = 0; c < writes.size(); ++c) {
    if (writes[c] != after[c] && carries_meaning(int(c), generation)) return false;
  }
  return replies == clean;
}

bool read_matches(const MemoryRead& cells, const MemoryImage& memory) {
  return std::equal(cells.begin(), cells.end(), memory.begin());
}

std::vector<std::uint8_t> writes_in(const QByteArray& sent) {
  std::vector<std::uint8_t> writes;
  for (qsizetype i = 0; i + 2 < sent.size(); ++i) {
    if (sent[i] != letter::write || std::uint8_t(sent[i + 1]) != writes.size()) continue;
    writes.push_back(std::uint8_t(sent[i + 2]));
    i += 2;
  }
  return writes;
}

}  // namespace quarn::soak
