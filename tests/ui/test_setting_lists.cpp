// Every front end lists the settings by looping over the settings table: the
// window's bindings, the settings file's keys, quarnctl's --set keys and its
// help. A setting added to the table and forgotten by one of them fails here.

#include "cli/command_line.h"
#include "cli/setting_words.h"
#include "config/factory_defaults.h"
#include "documents/settings_file.h"
#include "ui/field_bindings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace quarn;

namespace {

QStringList table_keys() {
  QStringList keys;
  for (const SettingDeclaration& s : setting_declarations()) keys << QString::fromUtf8(s.name.data(), qsizetype(s.name.size()));
  keys.sort();
  return keys;
}

}  // namespace

class TestSettingLists : public QObject {
  Q_OBJECT

 private slots:
  // One row per setting, each with the widget its kind needs: a text or a
  // list for a value, both buttons for an option pair.
  void windowBindsEachSettingOnce() {
    QStringList bound;
    for (const FieldBinding& b : field_bindings) {
      const SettingDeclaration& s = setting(b.key);
      bound << QString::fromUtf8(s.name.data(), qsizetype(s.name.size()));
      const bool option = s.kind == SettingKind::OptionPair;
      QCOMPARE(option, b.buttons[0] != nullptr && b.buttons[1] != nullptr);
      QCOMPARE(!option, (b.box != nullptr) != (b.list != nullptr));
    }
    bound.sort();
    QCOMPARE(bound, table_keys());
  }

  void settingsFileWritesEveryKey() {
    SettingsFile file;
    file.settings = factory_settings(Band::Uhf);
    const QJsonObject settings = QJsonDocument::fromJson(to_json(file)).object().value("settings").toObject();
    QStringList keys = settings.keys();
    keys.sort();
    QCOMPARE(keys, table_keys());
  }

  void quarnctlTakesAndShowsEveryKey() {
    QStringList keys = cli::set_keys();
    keys.sort();
    QCOMPARE(keys, table_keys());
    const auto help = cli::parse_arguments({"quarnctl", "check", "--help"});
    QVERIFY(std::holds_alternative<cli::Answer>(help));
    for (const QString& key : table_keys()) QVERIFY2(std::get<cli::Answer>(help).text.contains(key), qPrintable(key));
  }
};

QTEST_APPLESS_MAIN(TestSettingLists)
#include "test_setting_lists.moc"
