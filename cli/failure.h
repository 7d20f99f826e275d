#pragma once
// Why a step of quarnctl stops, as data: what went wrong and the facts that
// name it. messages.h turns every failure into the operator's words and an
// exit status; the steps and the commands word no failure themselves.

#include "cli/batch_report.h"
#include "cli/usage_error.h"
#include "config/block_encoding.h"
#include "documents/settings_file.h"
#include "link/transmitter_session.h"

#include <QString>

#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

namespace quarn::cli {

// A settings file that was not loaded: its path and the loader's reason.
struct FileRefused {
  QString path;
  SettingsRefusal refusal;
};

// A settings file that was not written.
struct FileNotSaved {
  FileError error;
};

// A --set text that the setting's field does not accept.
struct TextRefused {
  SettingsRefusal refusal;
};

// Settings that a programming run refuses; nothing is sent.
struct SettingsRefused {
  Refusal refusal;
};

// A connect that did not read the memory; `timed_out` when the ready wait or
// a read step ran out of time.
struct ConnectFailed {
  Outcome outcome;
  bool timed_out = false;
  QString port;  // "Com 1 (/dev/ttyS0)": the port and the device tried
};

// A read that cannot be trusted: out of step, or of a New memory whose
// checksum does not match.
struct UntrustedRead {};

// A read out of step before programming: nothing is sent.
struct ReadOutOfStep {};

// A write run that did not end with every cell written and verified.
struct WriteFailed {
  WriteResult result;
  std::vector<std::uint8_t> writes;
  QString backup;  // the memory as it was; empty when none was saved
};

// A factory set for another band or type than the unit read ("UHF New"):
// nothing is sent.
struct FactorySetRefused {
  QString unit;
  QString set;
};

// The backups folder could not be listed.
struct BackupsUnreadable {
  FileError error;
};

// The trace file was not written.
struct TraceFailed {
  FileError error;
};

using Failure = std::variant<UsageError, FileRefused, FileNotSaved, TextRefused, SettingsRefused, ConnectFailed,
                             UntrustedRead, ReadOutOfStep, WriteFailed, TraceFailed, ReportRefused,
                             BackupsUnreadable, FactorySetRefused>;

// A value, or the failure that stopped the step.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : result_(std::in_place_index<0>, std::move(value)) {}
  template <class F>
    requires std::is_constructible_v<Failure, F>
  Result(F failure) : result_(std::in_place_index<1>, std::move(failure)) {}

  bool ok() const { return result_.index() == 0; }
  const T& value() const { return std::get<0>(result_); }
  const T* operator->() const { return &value(); }
  const Failure& failure() const { return std::get<1>(result_); }

 private:
  std::variant<T, Failure> result_;
};

}  // namespace quarn::cli
