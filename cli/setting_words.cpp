#include "cli/setting_words.h"

#include <QHash>

namespace quarn::cli {
namespace {

QString text_of(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// A choice's word, then the others --set takes for it.
QStringList words_of(const OptionWord& choice) {
  QStringList words{text_of(choice.word)};
  for (const std::string_view also : choice.also) {
    if (!also.empty()) words << text_of(also);
  }
  return words;
}

}  // namespace

QStringList set_keys() {
  QStringList keys;
  for (const SettingDeclaration& s : setting_declarations()) keys << text_of(s.name);
  return keys;
}

QString set_keys_text() {
  QStringList keys;
  for (const SettingDeclaration& s : setting_declarations()) {
    QString key = text_of(s.name);
    if (s.option) key += QString(" (%1|%2)").arg(text_of(s.choices[0].word), text_of(s.choices[1].word));
    if (!s.unit.empty()) key += QString(" (%1)").arg(text_of(s.unit));
    keys << key;
  }
  return keys.join(QStringLiteral(", "));
}

std::vector<SettingLine> setting_lines(const FieldValues& fields) {
  std::vector<SettingLine> lines;
  for (const SettingDeclaration& s : setting_declarations()) {
    const QString value = s.option ? text_of(option_word(s, fields.*s.option).word) : QString::fromStdString(fields.*s.text);
    lines.push_back({text_of(s.name), text_of(s.caption), value});
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
      return UsageError{QString("%1 vale %2 oppure %3, non \"%4\"")
                            .arg(key, words_of(a.setting->choices[0]).join('|'), words_of(a.setting->choices[1]).join('|'),
                                 a.value.trimmed())};
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
  const QString lower = word.trimmed().toLower();
  for (const bool chosen : {true, false}) {
    if (words_of(option_word(option, chosen)).contains(lower)) return chosen;
  }
  return std::nullopt;
}

}  // namespace quarn::cli
