// Settings files and backups through the main window: Ctrl+S and Ctrl+O, the
// backup taken before the first write, and restoring a transmitter from its
// backup. A backup that cannot be written: test_principale_meant.

#include "documents/backup_store.h"
#include "documents/settings_file.h"
#include "tests/link/named_pipe.h"
#include "tests/ui/principale_fixture.h"

#include <QDir>
#include <QTemporaryDir>

#include <optional>

using namespace quarn;
using namespace quarn::test;

namespace {

struct FilesFixture : PrincipaleFixture {
  FilesFixture() : backups(folder.filePath("backups")) {
    window.session().setBackupHook(backups.hook());
    window.setBackupsFolder(backups.folder());
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

  // A file that cannot be loaded gives one message and changes no field; a
  // decimal comma fills the field with the point.
  void openingAFile_data() {
    QTest::addColumn<QByteArray>("from");  // replaced in the file of the read; empty: the file is `to`
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<bool>("pipe");
    QTest::addColumn<QString>("message");  // the start of the one message; empty: loaded
    QTest::addColumn<QString>("frequency");
    QTest::newRow("another format") << QByteArray() << QByteArray(R"({"format": "something else", "version": 1})")
                                    << false << "Formato sconosciuto" << "460";
    QTest::newRow("code with the letter O")
        << QByteArray(R"("code": "1")") << QByteArray(R"("code": "12O4")") << false
        << R"(Chiave "settings.code": "12O4" non è un numero (il campo non accetta "O"))" << "460";
    QTest::newRow("key given twice") << QByteArray(R"("frequency": "460")")
                                     << QByteArray(R"("frequency": "460", "frequency": "433.92")") << false
                                     << R"(Chiave "settings.frequency" presente più volte)" << "460";
#ifdef Q_OS_UNIX
    QTest::newRow("named pipe") << QByteArray() << QByteArray() << true << "Impossibile aprire" << "460";
#endif
    QTest::newRow("decimal comma") << QByteArray(R"("frequency": "460")") << QByteArray(R"("frequency": "433,92")")
                                   << false << "" << "433.92";
  }
  void openingAFile() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(bool, pipe);
    QFETCH(QString, message);
    QFETCH(QString, frequency);
    FilesFixture f;
    QVERIFY(f.connectAndRead());
    std::optional<test::NamedPipe> named_pipe;
    if (pipe) QVERIFY(named_pipe.emplace(f.folder.filePath("pipe.json"), std::chrono::seconds(10)).made());
    QFile file(f.folder.filePath("site.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(from.isEmpty() ? to : to_json(settings_file_of_read(first_63(uhf_new()))).replace(from, to));
    file.close();
    f.notifier.file_to_choose = pipe ? named_pipe->path() : file.fileName();
    f.press(QKeySequence::Open);
    QCOMPARE(f.notifier.messages.size(), std::size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty()) {
      QVERIFY2(f.notifier.messages[0].text.startsWith(message), qPrintable(f.notifier.messages[0].text));
      QCOMPARE(f.notifier.messages[0].icon, Notifier::Icon::Exclamation);
    }
    QCOMPARE(f.c().CodiceQuarn->text(), QString("1"));
    QCOMPARE(f.c().FqTx->text(), frequency);
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

  // A backup taken from a read out of step may hold shifted cells: opening
  // it fills the fields as any file does, and says where it came from.
  void aBackupOfAReadOutOfStepSaysSoWhenOpened() {
    FilesFixture f;
    QVERIFY(f.connectAndRead());
    const QString path = f.folder.filePath("doubtful.json");
    MemoryRead cells = first_63(uhf_new());
    cells[cell::robbery_time] = 45;
    QVERIFY(!save_settings_file(path, settings_file_of_read(cells, true)));
    f.notifier.file_to_choose = path;
    f.press(QKeySequence::Open);
    QCOMPARE(f.c().txb_tmp_rap->text(), QString("45"));
    QCOMPARE(f.notifier.messages, (std::vector{exclamation(message_doubtful_backup)}));
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
