#include "cli/setting_words.h"

#include <QHash>

#include <array>

namespace quarn::cli {
namespace {

struct SettingWords {
  SettingKey key;
  const char* caption;
  QStringList words_for_true{};   // option pairs: the first word is the one printed
  QStringList words_for_false{};
};

// The window's group captions, trimmed; the battery input is the list
// "Su Ing N°" inside "Batteria Scarica", the repeater code "Cod Rep" inside
// "Mono/Quarn".
const std::array<SettingWords, 13>& setting_words() {
  static const std::array<SettingWords, 13> words{{
      {SettingKey::Code, "Codice Quarn"},
      {SettingKey::Frequency, "Freq Tx Mhz"},
      {SettingKey::RobberyTime, "Timer per rapina"},
      {SettingKey::AntifallTime, "Timer Antiatterramento"},
      {SettingKey::TxCount, "N° di Tx Tot"},
      {SettingKey::AlarmInput, "N° Ing di All"},
      {SettingKey::BatteryInput, "Batteria Scarica Su Ing N°"},
      {SettingKey::PanicFilter, "Filtro P. All"},
      {SettingKey::RepeaterCode, "Cod Rep"},
      {SettingKey::CodeMode, "Mono/Quarn", {"quarn"}, {"mono"}},
      {SettingKey::Tones, "Toni H/L", {"low", "bassi", "l"}, {"high", "alti", "h"}},
      {SettingKey::BatteryAlarm, "Batteria Scarica", {"on", "si", "yes"}, {"off", "no"}},
      {SettingKey::TxMode, "TX Sing/Mult", {"multiple", "mult"}, {"single", "sing"}},
  }};
  return words;
}

const SettingWords& words_of(const SettingDeclaration& declaration) {
  for (const SettingWords& w : setting_words()) {
    if (w.key == declaration.key) return w;
  }
  return setting_words().front();
}

QString key_of(const SettingWords& words) { return QString::fromUtf8(setting(words.key).name); }

}  // namespace

QStringList set_keys() {
  QStringList keys;
  for (const SettingWords& w : setting_words()) keys << key_of(w);
  return keys;
}

QString set_keys_text() {
  QStringList keys;
  for (const SettingWords& w : setting_words()) {
    keys << (w.words_for_true.isEmpty()
                 ? key_of(w)
                 : QString("%1 (%2|%3)").arg(key_of(w), w.words_for_true.first(), w.words_for_false.first()));
  }
  return keys.join(QStringLiteral(", "));
}

std::vector<SettingLine> setting_lines(const FieldValues& fields) {
  std::vector<SettingLine> lines;
  for (const SettingWords& w : setting_words()) {
    const SettingDeclaration& s = setting(w.key);
    const QString value = s.text ? QString::fromStdString(fields.*s.text)
                          : fields.*s.option ? w.words_for_true.first()
                                             : w.words_for_false.first();
    lines.push_back({key_of(w), QString::fromUtf8(w.caption), value});
  }
  return lines;
}

std::optional<UsageError> check_assignments(const QStringList& assignments) {
  QHash<QString, QString> given;  // key: its value
  for (const QString& assignment : assignments) {
    const qsizetype equals = assignment.indexOf('=');
    if (equals <= 0) return UsageError{QString("--set vuole CHIAVE=VALORE, non \"%1\"").arg(assignment)};
    const Assignment a = assignment_of(assignment);
    const QString key = assignment.left(equals).trimmed();
    if (given.contains(key)) {
      return UsageError{QString("--set: la chiave \"%1\" è data due volte (\"%2\" e \"%3\"), va data una volta sola")
                            .arg(key, given.value(key), a.value)};
    }
    given.insert(key, a.value);
    if (!a.setting) {
      return UsageError{QString("Chiave sconosciuta \"%1\"; chiavi: %2").arg(key, set_keys().join(QStringLiteral(", ")))};
    }
    if (a.setting->option && !option_of_word(*a.setting, a.value)) {
      const SettingWords& w = words_of(*a.setting);
      return UsageError{QString("%1 vale %2 oppure %3, non \"%4\"")
                            .arg(key, w.words_for_true.join('|'), w.words_for_false.join('|'), a.value.trimmed())};
    }
  }
  return std::nullopt;
}

Assignment assignment_of(const QString& checked) {
  const qsizetype equals = checked.indexOf('=');
  const QByteArray key = checked.left(equals).trimmed().toUtf8();
  return {setting_named(std::string_view(key.constData(), std::size_t(key.size()))), checked.mid(equals + 1)};
}

std::optional<bool> option_of_word(const SettingDeclaration& option, const QString& word) {
  const SettingWords& w = words_of(option);
  const QString lower = word.trimmed().toLower();
  if (w.words_for_true.contains(lower)) return true;
  if (w.words_for_false.contains(lower)) return false;
  return std::nullopt;
}

}  // namespace quarn::cli
