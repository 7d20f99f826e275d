#pragma once
// What the device may hold after an operation, and whether it confirmed a
// write run, judged from the device's side: its memory and the bytes it sent.

#include "config/block_decoding.h"
#include "config/factory_defaults.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace quarn::soak {

// How a write run ended, as the service reported it.
struct ReportedWrites {
  int acknowledged = 0;         // the first cells, each with its "K"
  bool one_in_flight = false;   // the next write was sent and got no "K": it may have landed
  bool read_back_ran = false;   // the run got through its read-back
  std::vector<int> mismatched;  // cells the read-back found otherwise, with meaning or without
  MemoryRead read_back{};       // what it found there
};

// The memory must be `before` with exactly the acknowledged writes applied;
// a cell the run reported as reading back otherwise holds what the read-back
// saw, and the write in flight may have landed or not. A cell the device
// acknowledged but `stored_otherwise` (its fault) only a read-back can see:
// a run that failed before its read-back may leave it holding anything. The
// first difference, in words; nullopt when there is none.
std::optional<QString> memory_violation(const MemoryImage& before, const std::vector<std::uint8_t>& writes,
                                        const ReportedWrites& reported, std::optional<int> stored_otherwise,
                                        const MemoryImage& after);

// A cell changed although the operation sent no write for it.
std::optional<QString> unwritten_change(const MemoryImage& before, const std::vector<std::uint8_t>& sent_writes,
                                        const MemoryImage& after);

// The device confirmed the run: it answered each write with exactly "K" and
// then the read-back with exactly the cells it holds, nothing more, and it
// holds every cell that means something to it as written.
bool device_confirmed(const QByteArray& replies, const std::vector<std::uint8_t>& writes, const MemoryImage& after);

// A read reported complete and in step shows what the device holds.
bool read_matches(const MemoryRead& cells, const MemoryImage& memory);

// The values of the write steps ("W", address, value) among the bytes sent,
// in address order from 0, as the service sends them; stops at the first
// step that breaks the order.
std::vector<std::uint8_t> writes_in(const QByteArray& sent);

}  // namespace quarn::soak
