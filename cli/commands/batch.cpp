#include "cli/commands/commands.h"

#include "cli/batch_report.h"
#include "cli/messages.h"
#include "cli/terminal.h"
#include "link/link_protocol.h"

#include <QDateTime>

#include <algorithm>
#include <iostream>
#include <string>

namespace quarn::cli::command {
namespace {

// One unit of a batch as its report row gives it.
struct UnitResult {
  int exit = exit_code::done;
  QString outcome{};  // "OK", "rifiutata" (nothing sent) or "fallita"
  QString reason{};   // what quarnctl said about it, on one line
  QString band{};     // of the unit as read; empty before a read
  int verified = 0;
};

// What quarnctl said, as one field of the report.
QString one_line(const QString& text) {
  QStringList lines;
  for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) lines << line.trimmed();
  return lines.join(QStringLiteral(" / "));
}

// Says the failure and gives the unit's row its words.
UnitResult failed_unit(const Failure& failure, const QString& outcome, const QString& band = {}) {
  const Said s = said(failure);
  err(s.text);
  return {.exit = s.exit, .outcome = outcome, .reason = one_line(s.text), .band = band};
}

struct Batch {
  const Invocation& invocation;
  const FileSettings& settings;
  std::optional<std::vector<std::uint8_t>> last_written{};  // the cells of the unit programmed last
};

// Programs the unit behind the port; none when it is the unit just
// programmed, connected again.
std::optional<UnitResult> program_unit(Batch& batch, const FieldValues& fields) {
  DeviceSession device(device_options(batch.invocation));
  const Result<ReadResult> read = connect_and_read(device);
  if (!read.ok()) return failed_unit(read.failure(), "fallita");
  const QString band = band_label(settings_file_of_read(read->cells).band);
  if (auto refused = check_read_for_programming(read.value())) return failed_unit(*refused, "rifiutata", band);
  if (const auto& last = batch.last_written;
      last && std::equal(last->begin(), last->begin() + std::min<std::size_t>(last->size(), read_count), read->cells.begin())) {
    device.end(letter::end);
    err("Questo trasmettitore e' quello appena programmato: collegare il successivo\n");
    return std::nullopt;
  }
  const Result<ProgrammingRun> run = encode(image_for_device(image_of_file(batch.settings.file, fields), read->cells), fields);
  if (!run.ok()) return failed_unit(run.failure(), "rifiutata", band);
  const WriteResult written = device.program(run->writes);
  device.end(letter::end);
  batch.last_written = run->writes;
  if (auto failed = write_failure(written, run->writes, device.session().lastBackupPath())) {
    return failed_unit(*failed, "fallita", band);
  }
  return UnitResult{.outcome = "OK", .band = band, .verified = int(std::min<std::size_t>(run->writes.size(), read_count))};
}

// Asks for unit `number` until another unit than the last one is connected;
// none when the input ends.
std::optional<UnitResult> next_unit(Batch& batch, int number, const FieldValues& fields) {
  for (;;) {
    err(QString("Collegare il trasmettitore %1 e premere Invio (codice %2)\n").arg(number).arg(QString::fromStdString(fields.code)));
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (auto unit = program_unit(batch, fields)) return unit;
  }
}

QString row_time() {
  QDateTime now = QDateTime::currentDateTime();
  now.setOffsetFromUtc(now.offsetFromUtc());  // local time with its offset from UTC
  return now.toString(Qt::ISODate);
}

}  // namespace

// One unit after another with codes counting up from --code-from, each
// prompted for, each giving a report row.
Result<int> batch(const Invocation& invocation) {
  const Arguments& a = invocation.arguments;
  const Result<FileSettings> settings = file_settings(invocation);
  if (!settings.ok()) return settings.failure();
  const auto fields_for = [&](long long code) {
    FieldValues f = settings->fields;
    f.code = std::to_string(code);
    return f;
  };
  const long long first_code = *a.code_from;
  // Without --count the batch runs until the input ends (or the last code).
  const int planned = int(std::min<long long>(a.count.value_or(1000000), 65536 - first_code));
  // The first code shows whether the settings can be programmed at all.
  if (const auto offline = encode(image_of_file(settings->file, fields_for(first_code)), fields_for(first_code));
      !offline.ok()) {
    return offline.failure();
  }
  BatchReport report(a.separator);
  if (!a.report.isEmpty()) {
    if (auto refused = report.open(a.report)) return *refused;
  }

  Batch batch{.invocation = invocation, .settings = settings.value()};
  const StopSignals* stops = invocation.stops;
  int first_failure = exit_code::done;
  int programmed = 0;
  int failed = 0;
  bool input_ended = false;
  for (int i = 0; i < planned; ++i) {
    const FieldValues fields = fields_for(first_code + i);
    std::optional<UnitResult> unit = next_unit(batch, i + 1, fields);
    if (!unit) {
      input_ended = true;
      break;
    }
    if (unit->reason.isEmpty() && stops && stops->first()) unit->reason = "Interrotto da " + StopSignals::name(*stops->first());
    out(report.add({row_time(), QString::fromStdString(fields.code), unit->band, QString::fromStdString(fields.frequency),
                    unit->outcome, QString::number(unit->verified), unit->reason}) +
        '\n');
    if (unit->exit == exit_code::done) {
      ++programmed;
    } else {
      ++failed;
      if (first_failure == exit_code::done) first_failure = unit->exit;
    }
    if ((stops && stops->first()) || (unit->exit != exit_code::done && a.stop_on_error)) break;
  }
  // An input that ends before the first unit (closed, or empty) is cut short too.
  const bool cut_short = input_ended && (a.count || programmed + failed == 0);
  if (cut_short && a.count) err(QString("Fine dell'input prima di %1 unità\n").arg(planned));
  else if (cut_short) err("Fine dell'input prima della prima unità\n");
  else if (input_ended) err("Fine dell'input: lotto terminato\n");
  err(QString("Lotto: %1 unità programmate, %2 fallite, %3 non raggiunte\n")
          .arg(programmed)
          .arg(failed)
          .arg(a.count ? planned - programmed - failed : 0));
  // A report that stopped taking rows is said after the count, which stands.
  const std::optional<ReportRefused> report_failed = report.close();
  const int report_code = report_failed ? say(*report_failed) : exit_code::done;
  if (first_failure != exit_code::done) return first_failure;
  if (report_code != exit_code::done) return report_code;
  return cut_short ? exit_code::usage : exit_code::done;
}

}  // namespace quarn::cli::command
