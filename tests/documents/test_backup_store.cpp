// Automatic backups: their names, their order, retention and failures.

#include "documents/backup_store.h"
#include "tests/documents/said.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace quarn;
using quarn::test::said;

namespace {

const QDateTime base_time = QDateTime::fromString("2026-12-08T10:15:30Z", Qt::ISODate);

SettingsFile settings(const std::string& code, std::optional<Band> band, const QDateTime& saved_at) {
  SettingsFile file;
  file.settings.code = code;
  file.band = band;
  file.tool_version = "1.0.4";
  file.saved_at = saved_at;
  return file;
}

QStringList names(const QStringList& paths) {
  QStringList result;
  for (const QString& path : paths) result << QFileInfo(path).fileName();
  return result;
}

void touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
}

}  // namespace

class TestBackupStore : public QObject {
  Q_OBJECT

 private slots:
  // Backups in the same second get a counter, whatever their code; the list
  // runs by time, then by the order within the second.
  void namesAreUniqueAndSortedByTime() {
    QTemporaryDir dir;
    BackupStore store(dir.filePath("backups"));  // created on the first save
    const QList<SettingsFile> saves{
        settings("1234", Band::Uhf, base_time),
        settings("&H1F/x", Band::Vhf, base_time.addSecs(1)),
        settings("99", std::nullopt, base_time),
        settings("", Band::Uhf, base_time.addSecs(-1)),
        settings("1234", Band::Uhf, base_time),
    };
    QStringList saved;
    for (const SettingsFile& file : saves) {
      QString path;
      QCOMPARE(said(store.save(file, &path)), QString());
      saved << path;
      QFile saved_file(path);
      QVERIFY(saved_file.open(QIODevice::ReadOnly));
      QCOMPARE(saved_file.readAll(), to_json(file));
    }
    const QStringList expected{
        "2026-12-08_101529_code-none_uhf.json",     "2026-12-08_101530_code-1234_uhf.json",
        "2026-12-08_101530_code-99_unknown_2.json", "2026-12-08_101530_code-1234_uhf_3.json",
        "2026-12-08_101531_code-H1Fx_vhf.json",
    };
    QCOMPARE(names(store.list()), expected);
    QCOMPARE(names(saved), (QStringList{expected[1], expected[4], expected[2], expected[0], expected[3]}));
  }

  // Retiring after each save keeps only the newest backup_keep_count
  // backups; files not named as backups are neither counted nor deleted; a
  // backup whose time lies before all others (a clock set back) is kept and
  // the oldest other one goes.
  void retention() {
    QTemporaryDir dir;
    BackupStore store(dir.path());
    const QStringList others{"notes.txt", "manual.json", "2020-01-01_000000_code-1_uhf.json.bak",
                             "2020-01-01_000000_code-1_shf.json", "2020-01-01_000000_code-1_uhf_0.json"};
    for (const QString& name : others) touch(dir.filePath(name));

    QStringList saved;
    for (int i = 0; i < backup_keep_count + 5; ++i) {
      QString path;
      QCOMPARE(said(store.save(settings(std::to_string(i), Band::Uhf, base_time.addSecs(i)), &path)),
               QString());
      store.retire(path);
      saved << path;
    }
    QCOMPARE(store.list(), saved.mid(5));

    QString early;
    QCOMPARE(said(store.save(settings("7", Band::Vhf, base_time.addDays(-1)), &early)), QString());
    store.retire(early);
    QCOMPARE(store.list(), QStringList{early} + saved.mid(6));
    for (const QString& name : others) QVERIFY2(QFile::exists(dir.filePath(name)), qPrintable(name));
  }

  // The demo's emulated transmitter keeps its backups apart: however many it
  // saves, a real unit's backup stays, and the real folder lists none of them.
  void demoBackupsNeverRotateARealOne() {
    QStandardPaths::setTestModeEnabled(true);  // the data folder of tests, not the user's
    QCoreApplication::setOrganizationName(organization_name);
    QCoreApplication::setApplicationName(application_name);
    const QString real_folder = BackupStore::defaultFolder();
    const QString demo_folder = BackupStore::defaultFolder(true);
    QDir(real_folder).removeRecursively();
    QDir(demo_folder).removeRecursively();
    BackupStore real(real_folder);
    QString real_backup;
    QCOMPARE(said(real.save(settings("1111", Band::Uhf, base_time), &real_backup)), QString());
    BackupStore demo(demo_folder);
    for (int i = 1; i <= backup_keep_count; ++i) {
      QCOMPARE(said(demo.save(settings("1", Band::Uhf, base_time.addSecs(i)))), QString());
    }
    const QStringList real_left = real.list();
    QDir(real_folder).removeRecursively();
    QDir(demo_folder).removeRecursively();
    QStandardPaths::setTestModeEnabled(false);
    QCOMPARE(real_left, QStringList{real_backup});
  }

  // mkdir fails under a regular file even for root.
  void folderCannotBeCreated_data() {
    QTest::addColumn<QString>("folder");  // under the temporary folder
    QTest::addColumn<QString>("reason");  // the system's words
    QTest::newRow("under a file") << "file/backups" << "Not a directory";
    QTest::newRow("is a file") << "file" << "Not a directory";
  }
  void folderCannotBeCreated() {
    QFETCH(QString, folder);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    touch(dir.filePath("file"));
    BackupStore store(dir.filePath(folder));
    QString path = "untouched";
    const std::optional<FileError> error = store.save(settings("1", Band::Uhf, base_time), &path);
    QVERIFY(error);
    QCOMPARE(backup_failure_text(*error),
             "Backup non salvato: impossibile creare la cartella \"" + QDir::toNativeSeparators(dir.filePath(folder)) + "\" (" + reason + ')');
    QCOMPARE(path, QString("untouched"));
    QCOMPARE(store.list(), QStringList());
  }
};

QTEST_GUILESS_MAIN(TestBackupStore)
#include "test_backup_store.moc"
