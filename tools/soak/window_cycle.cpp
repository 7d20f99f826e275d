#include "tools/soak/window_cycle.h"

#include "tools/soak/write_checks.h"

#include <QLineEdit>
#include <QPushButton>

namespace quarn::soak {

WindowCycles::WindowCycles(BackupStore& backups)
    : session_(port_), window_(session_, notifier_), backups_(window_.session()) {
  session_.setBackupHook(backups.hook());
  // A cycle means what it presses: a factory set whatever the unit read,
  // fields discarded at Disconetti or TX.
  notifier_.answer = [](const QString&) { return true; };
  window_.show();  // offscreen: painted as on a screen
}

void WindowCycles::run(SoakDevice& device, bool fault_free, std::mt19937& random, CycleLog& log) {
  backups_.startCycle(log);
  device.timeOutUnansweredSteps(window_.session());
  notifier_.messages.clear();
  notifier_.beeps = 0;
  const PrincipaleControls& c = window_.controls();
  if (connect(device, fault_free, log)) {
    c.CodiceQuarn->setText(QString::number(std::uniform_int_distribution(0, 1023)(random)));
    writeRun(c.cmd_programma, device, fault_free, log);
    writeRun(random() % 2 ? c.Cmd_init_uhf : c.Cmd_init_vhf, device, fault_free, log);
  }
  const int transmissions = device.testTransmissions();
  const bool answers = device.answersToTheEnd();
  if (window_.controls().Cmd_tx->isEnabled()) c.Cmd_tx->click();
  if (answers) {
    log.expect(wait_until([&] { return device.testTransmissions() == transmissions + 1; }, operation_limit_ms),
               QStringLiteral("TX: the device in session got no test transmission"));
  }
  log.expect(wait_until([&] { return c.Cmd_connetti->isEnabled(); }, operation_limit_ms),
             QStringLiteral("window: Connetti is not enabled after TX"));
}

bool WindowCycles::connect(SoakDevice& device, bool fault_free, CycleLog& log) {
  const PrincipaleControls& c = window_.controls();
  TransmitterSession& session = window_.session();
  backups_.seen(device.memory());
  if (!wait_until([&] { return c.Cmd_connetti->isEnabled(); }, operation_limit_ms)) {
    log.broke(QStringLiteral("window: Connetti is not enabled"));
    return false;
  }
  bool started = false;
  const auto watch = QObject::connect(&session, &TransmitterSession::sessionStarted, [&] { started = true; });
  c.Cmd_connetti->click();
  // A device that never says it is ready: Disconetti, as the technician would.
  const auto waiting = [&] { return c.txb_stato_con->text() == state_text::waiting; };
  if (!wait_until([&] { return started || !session.busy() || (waiting() && !device.announces()); }, operation_limit_ms) ||
      !(started || !session.busy())) {
    c.Cmd_disconetti->click();
  }
  finish_or_cancel([&] { return !session.busy(); }, [&] { c.Cmd_disconetti->click(); }, device,
                   QStringLiteral("Connetti"), log);
  QObject::disconnect(watch);

  const bool connected = c.txb_stato_con->text() == state_text::connected;
  const bool quiet = notifier_.messages.empty();
  if (fault_free) log.expect(connected && quiet, QStringLiteral("Connetti: a fault-free connect shows an error or no connection"));
  if (connected && quiet) {
    const MemoryImage& memory = device.memory();
    const auto& shown = window_.block().cells;
    log.expect(std::equal(shown.begin(), shown.end(), memory.begin()),
               QStringLiteral("Connetti: a read shown without error differs from the device"));
  }
  return connected;
}

void WindowCycles::writeRun(QPushButton* button, SoakDevice& device, bool fault_free, CycleLog& log) {
  const QString name = button->text().trimmed();
  if (device.vanished()) return;  // the window has lost the port: nothing to press
  if (!wait_until([&] { return button->isEnabled(); }, operation_limit_ms)) {
    log.broke(name + QStringLiteral(": the button is not enabled"));
    return;
  }
  const MemoryImage before = device.memory();
  backups_.seen(before);
  const std::size_t mark = device.trafficMark();
  const std::size_t messages = notifier_.messages.size();
  button->click();
  finish_or_cancel([&] { return !window_.session().busy(); }, [&] { window_.controls().Cmd_disconetti->click(); },
                   device, name, log);

  const MemoryImage& after = device.memory();
  const std::vector<std::uint8_t> sent = writes_in(device.sentSince(mark));
  const bool confirmed = !sent.empty() && device_confirmed(device.repliedSince(mark), sent, after);
  const bool error_shown = notifier_.messages.size() > messages;
  if (const auto wrong = unwritten_change(before, sent, after)) log.broke(name + QStringLiteral(": ") + *wrong);
  if (fault_free) log.expect(confirmed && !error_shown, name + QStringLiteral(": a fault-free run is not confirmed or shows an error"));
  if (!error_shown) log.expect(confirmed, name + QStringLiteral(": no error shown, but the device did not confirm"));
}

}  // namespace quarn::soak
