#include "cli/commands/commands.h"

#include "cli/setting_words.h"
#include "cli/terminal.h"
#include "link/link_protocol.h"

namespace quarn::cli::command {
namespace {

// A settings file, or the unit behind the port as just read ("device").
Result<SettingsFile> side(const QString& name, const Invocation& invocation) {
  if (name != "device") return load_file(name);
  DeviceSession device(device_options(invocation));
  const Result<ReadResult> read = connect_and_read(device);
  if (!read.ok()) return read.failure();
  device.end(letter::end);
  if (!read_is_sound(read.value())) return UntrustedRead{};
  return settings_file_of_read(read->cells);
}

}  // namespace

// The settings (key: A -> B) and the cells that differ.
Result<int> diff(const Invocation& invocation) {
  const QStringList& files = invocation.arguments.positional;
  const Result<SettingsFile> left = side(files[0], invocation);
  if (!left.ok()) return left.failure();
  const Result<SettingsFile> right = side(files[1], invocation);
  if (!right.ok()) return right.failure();
  QString text;
  const auto l = setting_lines(left->settings);
  const auto r = setting_lines(right->settings);
  for (std::size_t i = 0; i < l.size(); ++i) {
    if (l[i].value != r[i].value) text += QString("%1: %2 -> %3\n").arg(l[i].key, l[i].value, r[i].value);
  }
  if (left->cells && right->cells) {
    for (std::size_t c = 0; c < std::size_t(read_count); ++c) {
      const int x = (*left->cells)[c];
      const int y = (*right->cells)[c];
      if (x != y) text += QString("cella %1: %2 -> %3\n").arg(c).arg(x).arg(y);
    }
  } else if (left->cells.has_value() != right->cells.has_value()) {
    text += "celle: presenti in un solo file\n";
  }
  out(text.isEmpty() ? QString("Uguali\n") : text);
  return text.isEmpty() ? exit_code::done : exit_code::differences;
}

}  // namespace quarn::cli::command
