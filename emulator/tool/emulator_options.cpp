#include "emulator/tool/emulator_options.h"

#include "emulator/fault_catalogue.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace quarn {

namespace {

// The options' values as numbers; the first that is not one is kept to be said.
class NumberReader {
 public:
  explicit NumberReader(const QCommandLineParser& parser) : parser_(parser) {}

  int number(const QCommandLineOption& option, int last) {
    bool valid = false;
    const int number = parser_.value(option).toInt(&valid);
    if ((!valid || number < 0 || number > last) && !error_) {
      error_ = QStringLiteral("--%1 takes a number from 0 to %2").arg(option.names().constFirst()).arg(last);
    }
    return number;
  }
  const std::optional<QString>& error() const { return error_; }

 private:
  const QCommandLineParser& parser_;
  std::optional<QString> error_;
};

QString word_of(Band band) {
  const std::string_view word = band_word(band);
  return QString::fromLatin1(word.data(), qsizetype(word.size()));
}

EmulatorOptionsStop refused(const QString& message) {
  return {.text = QStringLiteral("quarn-emulator: %1\n").arg(message), .status = EXIT_FAILURE};
}

}  // namespace

std::variant<EmulatorOptions, EmulatorOptionsStop> parse_emulator_options(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Emulates a Quarn transmitter on a pseudo-terminal. The first line of standard output is\n"
      "the device to open as the serial port; the traffic is logged on standard error, and on\n"
      "stopping a last line tells how late the bytes arrived against the line's timing."));
  const QCommandLineOption help = parser.addHelpOption();
  QStringList band_words;
  for (const Band each : bands) band_words << word_of(each);
  const QString band_choice = band_words.join(QStringLiteral(" or "));
  const QCommandLineOption band({QStringLiteral("band")}, QStringLiteral("Factory set of the band: %1.").arg(band_choice),
                                band_words.join('|'), word_of(Band::Uhf));
  const QCommandLineOption old_generation({QStringLiteral("old")}, QStringLiteral("An Old device instead of a New one."));
  const QCommandLineOption no_pacing({QStringLiteral("no-pacing")},
                                     QStringLiteral("Bytes take no time on the line (normally 1/240 s each)."));
  const QCommandLineOption write_delay({QStringLiteral("write-delay")},
                                       QStringLiteral("Milliseconds before a write is acknowledged."),
                                       QStringLiteral("ms"), QStringLiteral("0"));
  const QCommandLineOption link({QStringLiteral("link")},
                                QStringLiteral("Serve behind a symbolic link at this path, re-pointed when the device\n"
                                               "comes back; the link is the first line printed."),
                                QStringLiteral("path"));
  const QCommandLineOption late_delay({QStringLiteral("late-delay")},
                                      QStringLiteral("Milliseconds of a late acknowledgement."), QStringLiteral("ms"),
                                      QStringLiteral("5000"));
  QList<QCommandLineOption> declared{band, old_generation, no_pacing, write_delay};
  std::vector<QCommandLineOption> fault_options;
  for (const EmulatorFault& fault : emulator_faults()) {
    const QString name = QString::fromLatin1(fault.option);
    const QString text = QString::fromLatin1(fault.help);
    fault_options.push_back(fault.takes_address()
                                ? QCommandLineOption(name, text, QString::fromLatin1(fault_address_argument))
                                : QCommandLineOption(name, text));
    declared << fault_options.back();
    // The options that tune a fault follow it in the help.
    if (&fault == emulator_fault_named("return_after_vanish")) declared << link;
    if (&fault == emulator_fault_named("late_ack_at")) declared << late_delay;
  }
  parser.addOptions(declared);
  if (!parser.parse(arguments)) return refused(parser.errorText());
  if (parser.isSet(help)) return EmulatorOptionsStop{.text = parser.helpText(), .status = EXIT_SUCCESS, .to_output = true};
  if (!parser.positionalArguments().isEmpty()) {
    return refused(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));
  }

  EmulatorOptions options;
  const auto chosen = std::find(band_words.begin(), band_words.end(), parser.value(band).toLower());
  if (chosen == band_words.end()) return refused(QStringLiteral("--band takes %1").arg(band_choice));
  options.band = bands[std::size_t(chosen - band_words.begin())];
  NumberReader numbers(parser);
  if (parser.isSet(old_generation)) options.generation = Generation::Old;
  options.timing.paced = !parser.isSet(no_pacing);
  options.timing.write_delay = std::chrono::milliseconds(numbers.number(write_delay, 60'000));
  options.timing.late_reply = std::chrono::milliseconds(numbers.number(late_delay, 60'000));
  options.link_path = parser.value(link);
  for (std::size_t i = 0; i < fault_options.size(); ++i) {
    const EmulatorFault& fault = emulator_faults()[i];
    if (!parser.isSet(fault_options[i])) continue;
    fault.switch_on(options.faults, fault.takes_address() ? numbers.number(fault_options[i], memory_size - 1) : 0);
  }
  if (numbers.error()) return refused(*numbers.error());
  return options;
}

}  // namespace quarn
