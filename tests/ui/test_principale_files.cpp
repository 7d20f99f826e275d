// Settings files and backups through the main window: Ctrl+S and Ctrl+O, the
// backup taken before the first write, a backup that cannot be written, and
// restoring a transmitter from its backup.

#include "link/backup_store.h"
#include "link/settings_file.h"
#include "tests/ui/principale_fixture.h"

#include <QTemporaryDir>

using namespace quarn;
using namespace quarn::test;

namespace {

struct FilesFixture : PrincipaleFixture {
  FilesFixture() : backups(folder.filePath("backups")) {
    window.session().setBackupStore(&backups);
    window.show();
    (void)QTest::qWaitForWindowActive(&window);
  }

  void press(QKeySequence::StandardKey key) {
    const QKeySequence sequence(key);
    QTest::keyClick(&window, Qt::Key(sequence[0].key()), sequence[0].keyboardModifiers());
  }
  void programma() {
    QVERIFY(pollTicked());
    c().cmd_programma->click();
    QVERIFY(settle());
  }

  QTemporaryDir folder;
  BackupStore backups;
};

MemoryRead first_63(const MemoryImage& memory) {
  MemoryRead read{};
  std::copy_n(memory.begin(), read_count, read.begin());
  return read;
}

}  // namespace

class TestPrincipaleFiles : public QObject {
  Q_OBJECT

 private slots:
  void saveThenOpenGivesTheSameFields() {
    FilesFixture f;
    QVERIFY(f.connectAndRead());
    f.c().CodiceQuarn->setText("4321");
    f.c().Opt_tx_sing->click();
    const FieldValues before = [&] {
      f.notifier.file_to_choose = f.folder.filePath("site.json");
      f.press(QKeySequence::Save);
      return load_settings_file(f.folder.filePath("site.json")).file.value_or(SettingsFile{}).settings;
    }();
    QCOMPARE(before.code, std::string("4321"));
    QVERIFY(!before.multiple_tx);
    QCOMPARE(f.notifier.suggested_names, QStringList{"quarn-4321.json"});

    f.c().CodiceQuarn->setText("1");
    f.c().Opt_tx_mult->click();
    const QByteArray sent_before = f.sent();
    f.press(QKeySequence::Open);
    QCOMPARE(f.c().CodiceQuarn->text(), QString("4321"));
    QVERIFY(f.c().Opt_tx_sing->isChecked());
    QCOMPARE(f.window.block().cells[cell::tx_mode], 0.0);  // the option stored its cell
    QVERIFY(f.pollTicked());
    QCOMPARE(f.sent(), sent_before);  // opening writes nothing to the transmitter
    QVERIFY(f.notifier.messages.empty());
  }

  void aFileThatCannotBeLoadedChangesNoField() {
    FilesFixture f;
    QVERIFY(f.connectAndRead());
    QFile bad(f.folder.filePath("bad.json"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(R"({"format": "something else", "version": 1})");
    bad.close();
    f.notifier.file_to_choose = bad.fileName();
    f.press(QKeySequence::Open);
    QCOMPARE(f.notifier.messages.size(), std::size_t(1));
    QCOMPARE(f.notifier.messages[0].icon, Notifier::Icon::Exclamation);
    QCOMPARE(f.c().CodiceQuarn->text(), QString("1"));
    QCOMPARE(f.c().FqTx->text(), QString("460"));
  }

  void theBackupExistsBeforeTheFirstWriteLeaves() {
    FilesFixture f;
    QVERIFY(f.connectAndRead());
    int backups_at_first_write = -1;
    connect(&f.transmitter, &EmulatedTransmitter::trafficLogged, [&](const TrafficEntry& entry) {
      if (backups_at_first_write < 0 && entry.direction == TrafficEntry::Direction::ToTransmitter &&
          entry.byte == 'W') {
        backups_at_first_write = int(f.backups.list().size());
      }
    });
    f.c().CodiceQuarn->setText("77");
    f.programma();
    QCOMPARE(backups_at_first_write, 1);
    const SettingsLoad backup = load_settings_file(f.backups.list().front());
    QVERIFY(backup.file && backup.file->cells);
    QCOMPARE(*backup.file->cells, first_63(uhf_new()));  // the memory before the run
  }

  void aBackupThatCannotBeWrittenStopsTheWrite() {
    FilesFixture f;
    QFile blocker(f.folder.filePath("not-a-folder"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    BackupStore impossible(blocker.fileName() + "/backups");  // under a file: fails even for root
    f.window.session().setBackupStore(&impossible);
    QVERIFY(f.connectAndRead());
    QVERIFY(f.pollTicked());
    f.c().Cmd_init_vhf->click();
    QVERIFY(f.settle());
    QVERIFY(!f.sent().contains('W'));
    QCOMPARE(f.notifier.messages.size(), std::size_t(1));
    QVERIFY(f.notifier.messages[0].text.startsWith(message_backup_failed));
    QCOMPARE(f.transmitter.model().memory(), uhf_new());
  }

  // Restoring is loading the backup and pressing Programma.
  void restoringABackupPutsTheOriginalCellsBack() {
    FilesFixture f;
    QVERIFY(f.connectAndRead());
    f.c().CodiceQuarn->setText("1234");
    f.c().FqTx->setText("433.925");
    f.c().Opt_toni_bassi->click();
    f.programma();
    QVERIFY(f.transmitter.model().memory() != uhf_new());
    const QString backup = f.backups.list().front();

    f.notifier.file_to_choose = backup;
    f.press(QKeySequence::Open);
    QCOMPARE(f.notifier.offered_backups_folders, QStringList{f.backups.folder()});  // where the backup is found
    f.programma();
    QCOMPARE(f.transmitter.model().memory(), uhf_new());
    QVERIFY(f.notifier.messages.empty());
  }
};

QTEST_MAIN(TestPrincipaleFiles)
#include "test_principale_files.moc"
