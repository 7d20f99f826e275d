#include "emulator/tool/emulator_options.h"

#include <QCommandLineParser>

#include <cstdlib>
#include <optional>

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
  std::optional<int> address(const QCommandLineOption& option) {
    if (!parser_.isSet(option)) return std::nullopt;
    return number(option, memory_size - 1);
  }
  const std::optional<QString>& error() const { return error_; }

 private:
  const QCommandLineParser& parser_;
  std::optional<QString> error_;
};

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
  const QCommandLineOption band({QStringLiteral("band")}, QStringLiteral("Factory set of the band: uhf or vhf."),
                                QStringLiteral("uhf|vhf"), QStringLiteral("uhf"));
  const QCommandLineOption old_generation({QStringLiteral("old")}, QStringLiteral("An Old device instead of a New one."));
  const QCommandLineOption no_pacing({QStringLiteral("no-pacing")},
                                     QStringLiteral("Bytes take no time on the line (normally 1/240 s each)."));
  const QCommandLineOption write_delay({QStringLiteral("write-delay")},
                                       QStringLiteral("Milliseconds before a write is acknowledged."),
                                       QStringLiteral("ms"), QStringLiteral("0"));
  const QCommandLineOption noise({QStringLiteral("noise")}, QStringLiteral("Send 0x78 0x79 before every ready K."));
  const QCommandLineOption stray_before_ack({QStringLiteral("stray-before-ack")},
                                            QStringLiteral("Send 0x78 before the K of a write to this address."),
                                            QStringLiteral("address"));
  const QCommandLineOption double_ack({QStringLiteral("double-ack")}, QStringLiteral("Acknowledge every write with KK."));
  const QCommandLineOption double_ack_at({QStringLiteral("double-ack-at")},
                                         QStringLiteral("Acknowledge a write to this address with KK."),
                                         QStringLiteral("address"));
  const QCommandLineOption lowercase_ack({QStringLiteral("lowercase-ack")},
                                         QStringLiteral("Acknowledge writes with k instead of K."));
  const QCommandLineOption no_ack_from({QStringLiteral("no-ack-from")},
                                       QStringLiteral("Neither store nor acknowledge writes from this address on."),
                                       QStringLiteral("address"));
  const QCommandLineOption extra_after_read({QStringLiteral("extra-after-read")},
                                            QStringLiteral("Send 0x78 after the value read from this address."),
                                            QStringLiteral("address"));
  const QCommandLineOption wrong_checksum({QStringLiteral("wrong-checksum")},
                                          QStringLiteral("Store a block checksum that does not match."));
  const QCommandLineOption double_ready({QStringLiteral("double-ready")},
                                        QStringLiteral("Announce readiness with KK instead of K."));
  const QCommandLineOption store_other_at({QStringLiteral("store-other-at")},
                                          QStringLiteral("Acknowledge a write to this address but store another value."),
                                          QStringLiteral("address"));
  const QCommandLineOption silent({QStringLiteral("silent")}, QStringLiteral("Never get ready, answer nothing."));
  const QCommandLineOption echo({QStringLiteral("echo")},
                                QStringLiteral("Return every byte the PC sends, ahead of the reply."));
  const QCommandLineOption vanish_at_read({QStringLiteral("vanish-at-read")},
                                          QStringLiteral("Go away (the pseudo-terminal closes) on reading this address."),
                                          QStringLiteral("address"));
  const QCommandLineOption vanish_at_write({QStringLiteral("vanish-at-write")},
                                           QStringLiteral("Go away (the pseudo-terminal closes) on writing this address."),
                                           QStringLiteral("address"));
  const QCommandLineOption come_back({QStringLiteral("come-back")},
                                     QStringLiteral("After going away, come back at once on a new pseudo-terminal."));
  const QCommandLineOption link({QStringLiteral("link")},
                                QStringLiteral("Serve behind a symbolic link at this path, re-pointed when the device\n"
                                               "comes back; the link is the first line printed."),
                                QStringLiteral("path"));
  const QCommandLineOption late_ack_at({QStringLiteral("late-ack-at")},
                                       QStringLiteral("Store a write to this address but acknowledge it late."),
                                       QStringLiteral("address"));
  const QCommandLineOption late_delay({QStringLiteral("late-delay")},
                                      QStringLiteral("Milliseconds of a late acknowledgement."), QStringLiteral("ms"),
                                      QStringLiteral("5000"));
  const QCommandLineOption hang_at_read({QStringLiteral("hang-at-read")},
                                        QStringLiteral("Stop answering on reading this address, until the port closes."),
                                        QStringLiteral("address"));
  const QCommandLineOption flood_at_read({QStringLiteral("flood-at-read")},
                                         QStringLiteral("Send a burst of junk ahead of the value read from this address."),
                                         QStringLiteral("address"));
  const QCommandLineOption flood_at_write({QStringLiteral("flood-at-write")},
                                          QStringLiteral("Send a burst of junk ahead of the K of a write to this address."),
                                          QStringLiteral("address"));
  parser.addOptions({band, old_generation, no_pacing, write_delay, noise, stray_before_ack, double_ack, double_ack_at,
                     lowercase_ack, no_ack_from, extra_after_read, wrong_checksum, double_ready, store_other_at, silent,
                     echo, vanish_at_read, vanish_at_write, come_back, link, late_ack_at, late_delay, hang_at_read,
                     flood_at_read, flood_at_write});
  if (!parser.parse(arguments)) return refused(parser.errorText());
  if (parser.isSet(help)) return EmulatorOptionsStop{.text = parser.helpText(), .status = EXIT_SUCCESS, .to_output = true};
  if (!parser.positionalArguments().isEmpty()) {
    return refused(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));
  }

  EmulatorOptions options;
  const QString band_name = parser.value(band).toLower();
  if (band_name == QLatin1String("vhf"))
    options.band = Band::Vhf;
  else if (band_name != QLatin1String("uhf"))
    return refused(QStringLiteral("--band takes uhf or vhf"));
  NumberReader numbers(parser);
  if (parser.isSet(old_generation)) options.generation = Generation::Old;
  options.timing.paced = !parser.isSet(no_pacing);
  options.timing.write_delay = std::chrono::milliseconds(numbers.number(write_delay, 60'000));
  options.timing.late_reply = std::chrono::milliseconds(numbers.number(late_delay, 60'000));
  options.link_path = parser.value(link);
  options.faults = {
      .noise_before_ready = parser.isSet(noise),
      .double_ready = parser.isSet(double_ready),
      .stray_before_ack_at = numbers.address(stray_before_ack),
      .double_ack_every_write = parser.isSet(double_ack),
      .double_ack_at = numbers.address(double_ack_at),
      .lowercase_ack = parser.isSet(lowercase_ack),
      .no_ack_from = numbers.address(no_ack_from),
      .store_other_at = numbers.address(store_other_at),
      .extra_after_read_at = numbers.address(extra_after_read),
      .wrong_checksum = parser.isSet(wrong_checksum),
      .silent = parser.isSet(silent),
      .echo = parser.isSet(echo),
      .vanish_at_read = numbers.address(vanish_at_read),
      .vanish_at_write = numbers.address(vanish_at_write),
      .return_after_vanish = parser.isSet(come_back),
      .late_ack_at = numbers.address(late_ack_at),
      .hang_at_read = numbers.address(hang_at_read),
      .flood_at_read = numbers.address(flood_at_read),
      .flood_at_write = numbers.address(flood_at_write),
  };
  if (numbers.error()) return refused(*numbers.error());
  return options;
}

}  // namespace quarn
