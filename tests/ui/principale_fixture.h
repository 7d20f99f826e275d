#pragma once
// A main window wired to an in-process emulated transmitter (line unpaced),
// with a recording notifier, for the window's session tests.

#include "config/factory_defaults.h"
#include "emulator/emulated_link.h"
#include "tests/ui/recording_notifier.h"
#include "ui/principale.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace quarn::test {

// What a step of a test may take at most on a loaded machine; reached only
// when something is wrong.
inline constexpr int patience_ms = 60'000;

// Runs the event loop until `done` holds. Unlike QTest::qWaitFor it never
// sleeps between passes, so a transfer of a few hundred round trips over the
// unpaced emulator takes milliseconds rather than seconds.
inline bool run_until(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeout_ms) return false;
    QEventLoop loop;
    QTimer::singleShot(1, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

inline MemoryImage uhf_new() { return factory_default_cells(Band::Uhf, Generation::New); }

struct PrincipaleFixture {
  explicit PrincipaleFixture(const MemoryImage& memory = uhf_new(), const TransmitterFaults& faults = {},
                             LineTiming timing = unpaced())
      : transmitter(TransmitterModel(memory, faults), timing), link(transmitter), session(link),
        window(session, notifier) {
    // Timer1 keeps its 4 s; a step the device leaves unanswered runs it out.
    QObject::connect(&transmitter, &EmulatedTransmitter::stepUnanswered, &window,
                     [this] { window.session().runTimer1Out(); });
  }

  static LineTiming unpaced() {
    LineTiming timing;
    timing.paced = false;
    return timing;
  }

  const PrincipaleControls& c() const { return window.controls(); }
  QString state() const { return c().txb_stato_con->text(); }

  // Connetti, then wait until the read has filled the window.
  bool connectAndRead() {
    c().Cmd_connetti->click();
    return run_until([this] { return state() == state_text::connected && !window.session().busy(); }, patience_ms);
  }

  // Waits until the status has followed the last change, which sets the
  // commands' enabled states: a fixed wait can miss it on a loaded machine.
  bool pollTicked() {
    return run_until([this] { return !window.statusTimer().isActive(); }, patience_ms);
  }

  // Waits for the running operation (programming, defaults) to end.
  bool settle() {
    return run_until([this] { return !window.session().busy(); }, patience_ms);
  }

  // Every byte the program sent to the transmitter, in order.
  QByteArray sent() const { return traffic_bytes(transmitter.traffic(), TrafficEntry::Direction::ToTransmitter); }

  RecordingNotifier notifier;
  EmulatedTransmitter transmitter;
  EmulatedLink link;
  TransmitterSession session;
  Principale window;
};

// The 63 read steps "R a" in ascending order.
inline QByteArray full_read() {
  QByteArray out;
  for (int a = 0; a < read_count; ++a) {
    out.append('R');
    out.append(static_cast<char>(a));
  }
  return out;
}

// The pick of a "Com" entry (0 for "Com 1") as the technician makes it.
inline void choose_port(const PrincipaleControls& c, int index) {
  c.Cmb_com->setCurrentIndex(index);
  emit c.Cmb_com->activated(index);
}

// One command the program sent: a write ("W", address, value), a read ("R",
// address) or a lone letter.
struct Step {
  char letter;
  int address;
  int value;  // -1 for a read
};

// Splits what the program sent into its steps. A command whose last bytes
// are still on the paced line when the test looks is left out.
inline std::vector<Step> steps(const QByteArray& bytes) {
  std::vector<Step> out;
  for (qsizetype i = 0; i < bytes.size();) {
    const char letter = bytes[i];
    const auto byte = [&](qsizetype k) { return static_cast<std::uint8_t>(bytes[k]); };
    const qsizetype length = letter == 'W' ? 3 : letter == 'R' ? 2 : 1;
    if (i + length > bytes.size()) break;
    if (letter == 'W') {
      out.push_back({letter, byte(i + 1), byte(i + 2)});
      i += 3;
    } else if (letter == 'R') {
      out.push_back({letter, byte(i + 1), -1});
      i += 2;
    } else {
      out.push_back({letter, -1, -1});
      i += 1;
    }
  }
  return out;
}

inline std::vector<Step> writes(const std::vector<Step>& all) {
  std::vector<Step> out;
  std::copy_if(all.begin(), all.end(), std::back_inserter(out), [](const Step& s) { return s.letter == 'W'; });
  return out;
}

inline RecordingNotifier::Message exclamation(const QString& text) {
  return {text, Notifier::Icon::Exclamation};
}

}  // namespace quarn::test
