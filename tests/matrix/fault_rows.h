#pragma once
// The fault matrix shared by the window's and quarnctl's runs: the faults of
// the emulator's catalogue, alone or together, the operations it is tried against, and what each fault
// does to the phases of an operation, from which each front end derives what
// it must show and what the device must hold afterwards.

#include "config/cell_map.h"
#include "config/factory_defaults.h"
#include "emulator/fault_catalogue.h"
#include "emulator/transmitter_model.h"

#include <QString>
#include <QTest>

#include <string_view>
#include <vector>

namespace quarn::test {

// The step faults act at read 5 (during the connect's read) and write 10.
inline constexpr int fault_read = 5;
inline constexpr int fault_write = 10;
// A cell the edit of every Programma rewrites, so that a run after the
// fault puts it right.
inline constexpr int other_stored_at = cell::robbery_time;

// How the connect's read ends with the fault on.
enum class ReadEffect {
  Clean,        // in step, checksum right
  Unsound,      // out of step: read error; a backup of it is marked as such
  BadChecksum,  // in step but the New checksum disagrees: read error
  Lost,         // the device went away: port failure
  Hang,         // the device stops answering inside the read
  NeverReady,   // no ready "K"
};

// How a write run ends with the fault on, when it is reached (after a read
// out of step, only a factory load reaches it: the fields are not filled).
enum class WriteEffect {
  Verified,     // every cell acknowledged and read back right
  TimeOut,      // the write at `fault_write` (or 0) got no "K" in time
  Lost,         // the device went away at `fault_write`
  Unconfirmed,  // all written and right, but a reply too many
  Mismatch,     // all acknowledged, `other_stored_at` holds another value
};

struct FaultRow {
  const char* name;
  std::vector<std::string_view> switched_on;  // the catalogue's faults, by name
  int address = -1;                           // where those that name a step act
  ReadEffect read = ReadEffect::Clean;
  WriteEffect write = WriteEffect::Verified;
  int fails_at = -1;         // TimeOut and Lost: the write step that failed
  bool failed_stored = false;  // the device stored that step's value all the same
  bool old_ignores_checksum = false;  // an Old unit is never checked

  TransmitterFaults faults() const {
    TransmitterFaults faults;
    for (const std::string_view fault : switched_on) {
      if (const EmulatorFault* known = emulator_fault_named(fault)) known->switch_on(faults, address);
    }
    return faults;
  }
};

inline std::vector<FaultRow> fault_rows() {
  using R = ReadEffect;
  using W = WriteEffect;
  return {
      {"none", {}},
      {"noise before K", {"noise_before_ready"}},
      {"KK ready", {"double_ready"}, -1, R::Unsound},
      {"echo", {"echo"}, -1, R::Unsound, W::TimeOut, 0, true},
      {"stray byte before K of write 10", {"stray_before_ack_at"}, fault_write, R::Clean, W::TimeOut, fault_write, true},
      {"KK on write 10", {"double_ack_at"}, fault_write, R::Clean, W::Unconfirmed},
      {"k for K", {"lowercase_ack"}, -1, R::Clean, W::TimeOut, 0, true},
      {"no K from write 10", {"no_ack_from"}, fault_write, R::Clean, W::TimeOut, fault_write, false},
      {"write 0 stores another value", {"store_other_at"}, other_stored_at, R::Clean, W::Mismatch},
      {"extra byte after read 20", {"extra_after_read_at"}, 20, R::Unsound, W::Unconfirmed},
      {"wrong checksum", {"wrong_checksum"}, -1, R::BadChecksum, W::Verified, -1, false, true},
      {"silent", {"silent"}, -1, R::NeverReady},
      {"vanishes at read 5", {"vanish_at_read"}, fault_read, R::Lost},
      {"vanishes at read 5, comes back", {"vanish_at_read", "return_after_vanish"}, fault_read, R::Lost},
      {"vanishes at write 10", {"vanish_at_write"}, fault_write, R::Clean, W::Lost, fault_write, false},
      {"vanishes at write 10, comes back", {"vanish_at_write", "return_after_vanish"}, fault_write, R::Clean, W::Lost,
       fault_write, false},
      {"K of write 10 late", {"late_ack_at"}, fault_write, R::Clean, W::TimeOut, fault_write, true},
      {"hangs at read 5", {"hang_at_read"}, fault_read, R::Hang},
      {"flood at read 5", {"flood_at_read"}, fault_read, R::Unsound, W::Unconfirmed},
      {"flood at write 10", {"flood_at_write"}, fault_write, R::Clean, W::TimeOut, fault_write, true},
  };
}

// Catalogue faults the matrix leaves out: KK on every write ends a run as KK
// on write 10 does.
inline const std::vector<std::string_view>& faults_outside_the_matrix() {
  static const std::vector<std::string_view> names{"double_ack_every_write"};
  return names;
}

enum class Operation { Connect, ProgramNew, ProgramOld, DefaultsUhf, DefaultsVhf, TestTransmission };

inline const std::vector<Operation>& operations() {
  static const std::vector<Operation> all{Operation::Connect,     Operation::ProgramNew,  Operation::ProgramOld,
                                          Operation::DefaultsUhf, Operation::DefaultsVhf, Operation::TestTransmission};
  return all;
}

inline QString operation_name(Operation operation) {
  switch (operation) {
    case Operation::Connect: return "connect and read";
    case Operation::ProgramNew: return "Programma, New";
    case Operation::ProgramOld: return "Programma, Old";
    case Operation::DefaultsUhf: return "UHF defaults";
    case Operation::DefaultsVhf: return "VHF defaults";
    case Operation::TestTransmission: return "TX";
  }
  return {};
}

// The matrix's data rows, "operation / fault", with the columns "row" (index
// in fault_rows()) and "operation"; for a test's _data function.
inline void add_fault_operation_rows() {
  QTest::addColumn<int>("row");
  QTest::addColumn<int>("operation");
  const std::vector<FaultRow> rows = fault_rows();
  for (const Operation op : operations()) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      QTest::newRow(qPrintable(operation_name(op) + " / " + rows[r].name)) << int(r) << int(op);
    }
  }
}

inline bool writes(Operation operation) {
  return operation != Operation::Connect && operation != Operation::TestTransmission;
}
inline bool is_defaults(Operation operation) {
  return operation == Operation::DefaultsUhf || operation == Operation::DefaultsVhf;
}

// The unit before the case: an Old one for Programma on Old, else a New UHF one.
inline MemoryImage unit_memory(Operation operation) {
  return factory_default_cells(Band::Uhf, operation == Operation::ProgramOld ? Generation::Old : Generation::New);
}

inline ReadEffect read_effect(const FaultRow& row, Operation operation) {
  if (row.old_ignores_checksum && operation == Operation::ProgramOld) return ReadEffect::Clean;
  return row.read;
}

// The cells a write run of the operation covers.
inline int written_count(Operation operation) {
  if (is_defaults(operation)) return memory_size;
  return operation == Operation::ProgramOld ? 34 : 62;
}

// What the device must hold after a write run that ended with `effect`:
// `target` on the cells acknowledged (and on the failed one if the device
// took it), the memory it started with everywhere else.
inline MemoryImage expected_memory(const MemoryImage& initial, const MemoryImage& target, const FaultRow& row,
                                   Operation operation, bool write_run_reached) {
  MemoryImage expected = initial;
  if (!write_run_reached) return expected;
  const bool stopped = row.write == WriteEffect::TimeOut || row.write == WriteEffect::Lost;
  const int last = stopped ? row.fails_at - (row.failed_stored ? 0 : 1) : written_count(operation) - 1;
  for (int a = 0; a <= last; ++a) expected[std::size_t(a)] = target[std::size_t(a)];
  if (row.write == WriteEffect::Mismatch) expected[other_stored_at] ^= 1;
  return expected;
}

// What the device holds afterwards, in words, as the cases check it.
inline QString device_text(const FaultRow& row, Operation operation, bool write_run_reached) {
  if (!write_run_reached) return "unchanged";
  const QString all = QString("all %1 cells written").arg(written_count(operation));
  switch (row.write) {
    case WriteEffect::Verified:
    case WriteEffect::Unconfirmed: return all;
    case WriteEffect::Mismatch: return all + QString(", cell %1 holds another value").arg(other_stored_at);
    case WriteEffect::TimeOut:
    case WriteEffect::Lost: break;
  }
  const QString failed = QString("cell %1 %2").arg(row.fails_at).arg(row.failed_stored ? "stored unacknowledged" : "not stored");
  const QString before = row.fails_at > 0 ? QString("cells 0-%1 written, ").arg(row.fails_at - 1) : QString();
  return before + failed + ", nothing after";
}

// The backup a case found, in words.
inline QString backup_text(bool write_run_reached, ReadEffect read) {
  if (!write_run_reached) return "none";
  return read == ReadEffect::Unsound ? "before the first write, marked out of step" : "before the first write";
}

}  // namespace quarn::test
