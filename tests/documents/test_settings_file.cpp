// The settings file: what it keeps, what it refuses, and how it is written.

#include "config/block_encoding.h"
#include "config/settings_table.h"
#include "documents/settings_file.h"
#include "tests/documents/said.h"
#include "tests/link/file_size_limit.h"
#include "tests/link/named_pipe.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace quarn;
using quarn::test::said;

namespace {

const QDateTime example_time = QDateTime::fromString("2026-01-15T09:00:00Z", Qt::ISODate);

SettingsFile with_cells(const FieldValues& settings, const MemoryRead& cells, std::optional<Band> band) {
  return {settings, cells, Generation::New, band, "1.0.4", example_time};
}

// A New device with the factory set of `band`, as the window shows it after a read.
SettingsFile factory(Band band) {
  const MemoryImage image = factory_default_cells(band, Generation::New);
  MemoryRead cells;
  std::copy_n(image.begin(), read_count, cells.begin());
  const FieldValues settings{.code = "1", .frequency = band == Band::Uhf ? "460" : "161", .robbery_time = "30",
                             .antifall_time = "60", .tx_count = "5", .alarm_input = "1", .battery_input = "8",
                             .panic_filter = "1", .repeater_code = "0"};
  return with_cells(settings, cells, band);
}

// New device on UHF, Quarn code 1234, 433.925 MHz, inputs 3 and 8, high tones,
// battery alarm on, multiple transmission: the cells as read after programming.
SettingsFile worked() {
  const FieldValues settings{.code = "1234", .frequency = "433.925", .robbery_time = "30", .antifall_time = "60",
                             .tx_count = "5", .alarm_input = "3", .battery_input = "8", .panic_filter = "2",
                             .repeater_code = "0"};
  ParameterBlock image;
  image.cells[cell::battery_alarm] = 1;
  image.cells[cell::tx_mode] = 1;
  image.device_type = device_type_new;
  image.band = band_uhf;
  const ProgrammingRun run = encode_block(image, settings);
  MemoryRead cells{};
  std::copy(run.writes.begin(), run.writes.end(), cells.begin());  // cells 0 to 61
  cells[cell::band] = band_uhf;
  return with_cells(settings, cells, Band::Uhf);
}

// Numbers in every form a field accepts, every option on its other choice, no
// read yet, and a tool version that needs escaping and names a key.
SettingsFile odd() {
  const FieldValues settings{.code = "007", .frequency = ".5", .robbery_time = "0", .antifall_time = "255",
                             .tx_count = "&H1F", .alarm_input = "+3", .battery_input = "8.", .panic_filter = "-0",
                             .repeater_code = "1e3", .quarn_mode = false, .low_tones = true, .battery_alarm = false,
                             .multiple_tx = false};
  return {settings, std::nullopt, Generation::Old, std::nullopt, "2.0 \"beta\", \"code\": è€𝄞\n", example_time};
}

SettingsFile fixture(const QString& name) {
  if (name == "factory-uhf") return factory(Band::Uhf);
  if (name == "factory-vhf") return factory(Band::Vhf);
  if (name == "worked-uhf-code-1234") return worked();
  if (name == "backup of a read out of step") {
    SettingsFile file = worked();
    file.read_out_of_step = true;
    return file;
  }
  return odd();
}

// The worked file with changes: "a.b" = value, an undefined value removes the key.
QByteArray edited(const QList<std::pair<QString, QJsonValue>>& changes) {
  QJsonObject root = QJsonDocument::fromJson(to_json(worked())).object();
  for (const auto& [path, value] : changes) {
    const QString key = path.section('.', -1);
    QJsonObject inner = path.contains('.') ? root.value(path.section('.', 0, 0)).toObject() : root;
    if (value.isUndefined()) {
      inner.remove(key);
    } else {
      inner.insert(key, value);
    }
    if (path.contains('.')) {
      root.insert(path.section('.', 0, 0), inner);
    } else {
      root = inner;
    }
  }
  return QJsonDocument(root).toJson();
}

QByteArray with_cells_array(const QJsonArray& cells) { return edited({{"cells", cells}}); }

QJsonArray worked_cells_with(int address, const QJsonValue& value) {
  QJsonArray cells = QJsonDocument::fromJson(to_json(worked())).object().value("cells").toArray();
  cells[address] = value;
  return cells;
}

QByteArray file_bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestSettingsFile : public QObject {
  Q_OBJECT

 private slots:
  void roundTrip_data() {
    QTest::addColumn<QString>("name");
    // The examples are saved and loaded again with every stored file (test_stored_files).
    for (const char* name : {"odd texts, Old, no band or cells", "backup of a read out of step"})
      QTest::newRow(name) << name;
  }
  void roundTrip() {
    QFETCH(QString, name);
    const SettingsFile original = fixture(name);
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.json");
    QCOMPARE(said(save_settings_file(path, original)), QString());
    const SettingsLoad loaded = load_settings_file(path);
    QCOMPARE(said(loaded), QString());
    QCOMPARE(to_json(*loaded.file), to_json(original));
    QVERIFY(*loaded.file == original);
  }

  // The committed examples are what the program writes for the same sets, and load back.
  void examples_data() {
    QTest::addColumn<QString>("name");
    for (const char* name : {"factory-uhf", "factory-vhf", "worked-uhf-code-1234"}) QTest::newRow(name) << name;
  }
  void examples() {
    QFETCH(QString, name);
    const QString path = QStringLiteral(QUARN_SOURCE_DIR "/examples/") + name + ".json";
    const SettingsLoad loaded = load_settings_file(path);
    QCOMPARE(said(loaded), QString());
    QVERIFY(*loaded.file == fixture(name));
    QCOMPARE(file_bytes(path), to_json(fixture(name)));
  }

  void refusals_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal");
    const QJsonValue gone(QJsonValue::Undefined);
    QTest::newRow("wrong format") << edited({{"format", "other-settings"}})
                                  << "Formato sconosciuto: \"other-settings\" (atteso \"quarn-settings\")";
    QTest::newRow("newer version, before its keys") << edited({{"version", 2}, {"settings", gone}})
                                                    << "Versione 2 più recente di quella supportata (1)";
    QTest::newRow("version 0") << edited({{"version", 0}}) << "Versione 0 non valida (la prima è 1)";
    QTest::newRow("missing settings.code") << edited({{"settings.code", gone}})
                                           << "Chiave \"settings.code\" mancante";
    QTest::newRow("missing cells") << edited({{"cells", gone}}) << "Chiave \"cells\" mancante";
    QTest::newRow("unknown key") << edited({{"comment", "tecnico: Rossi"}})
                                 << "Chiave \"comment\" sconosciuta nella versione 1";
    QTest::newRow("unknown setting") << edited({{"settings.colour", "red"}})
                                     << "Chiave \"settings.colour\" sconosciuta nella versione 1";
    QTest::newRow("unknown device key") << edited({{"device.model", "Q2"}})
                                        << "Chiave \"device.model\" sconosciuta nella versione 1";
    QTest::newRow("code as true") << edited({{"settings.code", true}})
                                  << "Chiave \"settings.code\": atteso testo o numero, trovato vero/falso";
    const QByteArray text = to_json(worked());
    QTest::newRow("settings key twice") << QByteArray(text).replace("\"code\": \"1234\",", "\"code\": \"1234\", \"code\": \"99\",")
                                        << "Chiave \"settings.code\" presente più volte";
    QTest::newRow("settings key twice, once escaped")
        << QByteArray(text).replace("\"code\": \"1234\",", "\"co\\u0064e\": \"99\", \"code\": \"1234\",")
        << "Chiave \"settings.code\" presente più volte";
    QTest::newRow("device key twice") << QByteArray(text).replace("\"band\": \"uhf\"", "\"band\": \"uhf\", \"band\": \"vhf\"")
                                      << "Chiave \"device.band\" presente più volte";
    QTest::newRow("top key twice") << QByteArray(text).replace("\"version\": 1,", "\"version\": 1, \"version\": 1,")
                                   << "Chiave \"version\" presente più volte";
    QTest::newRow("battery alarm as text") << edited({{"settings.battery_alarm", "true"}})
                                           << "Chiave \"settings.battery_alarm\": atteso vero/falso, trovato testo";
    QTest::newRow("read_out_of_step as text")
        << edited({{"read_out_of_step", "yes"}})
        << "Chiave \"read_out_of_step\": atteso vero/falso, trovato testo";
    QTest::newRow("unknown tones") << edited({{"settings.tones", "medium"}})
                                   << "Chiave \"settings.tones\": valore sconosciuto \"medium\" (ammessi: high, low)";
    QTest::newRow("unknown band")
        << edited({{"device.band", "shf"}})
        << "Chiave \"device.band\": valore sconosciuto \"shf\" (ammessi: uhf, vhf, unknown)";
    QTest::newRow("saved_at without zone")
        << edited({{"saved_at", "2026-01-15T09:00:00"}})
        << "Chiave \"saved_at\": data non valida \"2026-01-15T09:00:00\" (attesa data ISO 8601 con fuso orario, "
           "come 2026-12-08T10:15:30Z)";
    QTest::newRow("saved_at past 9999 in UTC")
        << edited({{"saved_at", "9999-12-31T23:59:59-14:00"}})
        << "Chiave \"saved_at\": data non valida \"9999-12-31T23:59:59-14:00\" (attesa data ISO 8601 con fuso "
           "orario, come 2026-12-08T10:15:30Z)";
    QTest::newRow("generation against cell 60")
        << edited({{"device.generation", "old"}})
        << "Chiave \"device.generation\": \"old\" non corrisponde alla cella 60 (78)";
    QTest::newRow("band against cell 62") << edited({{"device.band", "vhf"}})
                                          << "Chiave \"device.band\": \"vhf\" non corrisponde alla cella 62 (85)";
    QTest::newRow("cell 256") << with_cells_array(worked_cells_with(5, 256)) << "Cella 5 fuori intervallo 0-255: 256";
    QTest::newRow("cell -1") << with_cells_array(worked_cells_with(5, -1)) << "Cella 5 fuori intervallo 0-255: -1";
    QTest::newRow("cell 1.5") << with_cells_array(worked_cells_with(62, 1.5)) << "Cella 62 non intera: 1.5";
    QTest::newRow("cell as text") << with_cells_array(worked_cells_with(0, "30"))
                                  << "Cella 0: atteso numero, trovato testo";
    QJsonArray short_cells = worked_cells_with(0, 30);
    short_cells.removeLast();
    QTest::newRow("62 cells") << with_cells_array(short_cells) << "\"cells\" deve avere 63 valori, ne ha 62";
    QTest::newRow("invalid UTF-8") << to_json(worked()).replace("\"1234\"", "\"12\xC3\x28\"")
                                   << "Il file non è UTF-8 valido";
    QTest::newRow("not JSON") << QByteArray("{\"format\" \"quarn-settings\"}")
                              << "Il file non è JSON valido: manca \":\" dopo una chiave (al byte 11)";
    QTest::newRow("JSON array at top") << QByteArray("[1, 2]") << "Il file non contiene un oggetto JSON";
    QTest::newRow("empty") << QByteArray(" \n") << "Il file è vuoto";
    QTest::newRow("over 1 MiB") << to_json(worked()) + QByteArray(settings_max_size, ' ')
                                << QString("File troppo grande (%1 byte, massimo 1048576)")
                                       .arg(to_json(worked()).size() + settings_max_size);
  }
  void refusals() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    const SettingsLoad loaded = load_settings(bytes);
    QCOMPARE(said(loaded), refusal);
    QVERIFY(!loaded.file);
  }

  // A text is kept only when the window's filter of its field would take
  // every character and the whole text is one number; a decimal comma is the
  // point, and a JSON number counts as its decimal text.
  void strictTexts_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("refusal");
    const auto refused = [](const char* key, const char* text, const char* why) {
      return QString("Chiave \"settings.%1\": \"%2\" non è un numero%3").arg(key, text, why);
    };
    QTest::newRow("decimal comma") << "frequency" << QJsonValue("433,92") << "433.92" << "";
    QTest::newRow("letters") << "code" << QJsonValue("abc") << "" << refused("code", "abc", " (il campo non accetta \"a\")");
    QTest::newRow("letter O for zero") << "code" << QJsonValue("12O4") << ""
                                       << refused("code", "12O4", " (il campo non accetta \"O\")");
    QTest::newRow("unit after the number") << "robbery_time" << QJsonValue("30s") << ""
                                           << refused("robbery_time", "30s", " (il campo non accetta \"s\")");
    QTest::newRow("leading blank") << "robbery_time" << QJsonValue(" 30") << ""
                                   << refused("robbery_time", " 30", " (il campo non accetta \" \")");
    QTest::newRow("not ASCII") << "antifall_time" << QJsonValue("6€") << ""
                               << refused("antifall_time", "6€", " (il campo non accetta \"€\")");
    QTest::newRow("decimal comma in the code") << "code" << QJsonValue("1,5") << ""
                                               << refused("code", "1,5", " (il campo non accetta \",\")");
    QTest::newRow("two points") << "frequency" << QJsonValue("4..4") << "" << refused("frequency", "4..4", "");
    QTest::newRow("empty") << "code" << QJsonValue("") << "" << refused("code", "", "");
    QTest::newRow("JSON number") << "code" << QJsonValue(1234) << "1234" << "";
    QTest::newRow("JSON fraction") << "frequency" << QJsonValue(433.92) << "433.92" << "";
    QTest::newRow("JSON negative") << "code" << QJsonValue(-5) << "" << refused("code", "-5", " (il campo non accetta \"-\")");
    QTest::newRow("input, empty, as a read leaves it") << "alarm_input" << QJsonValue("") << "" << "";
    QTest::newRow("list, JSON number") << "alarm_input" << QJsonValue(3) << "3" << "";
    QTest::newRow("list, decimal comma") << "tx_count" << QJsonValue("5,0") << "5.0" << "";
    QTest::newRow("list, blank") << "alarm_input" << QJsonValue(" 3") << "" << refused("alarm_input", " 3", "");
    QTest::newRow("list, letter after") << "panic_filter" << QJsonValue("2s") << "" << refused("panic_filter", "2s", "");
  }
  void strictTexts() {
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(QString, kept);
    QFETCH(QString, refusal);
    const SettingsLoad loaded = load_settings(edited({{"settings." + key, value}}));
    QCOMPARE(said(loaded), refusal);
    QCOMPARE(loaded.file.has_value(), refusal.isEmpty());
    if (loaded.file) {
      FieldValues expected = worked().settings;
      expected.*setting_named(key.toStdString())->text = kept.toStdString();
      QVERIFY(loaded.file->settings == expected);
    }
  }

  // Equal keys in different objects, and key-like text inside a string, are
  // no repeated key: the file is refused for its first unknown key instead.
  void keysThatOnlyLookRepeated() {
    QByteArray text = to_json(worked());
    text.replace("\"format\":", "\"band\": \"\\\"code\\\": 1\", \"note\": {\"code\": [{\"code\": 1}]}, \"format\":");
    const SettingsLoad loaded = load_settings(text);
    QCOMPARE(said(loaded), QString("Chiave \"band\" sconosciuta nella versione 1"));
  }

  // A setting added at a later version: every file written before it still
  // loads, the setting taken from the file's cells or, without cells, from
  // the factory set of its band. Saved again, the file is of the later
  // version and keeps an optional text of that version.
  void earlierVersionsAfterANewKey_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("filled");  // the added setting's value, the frequency's
    const QString v1 = QStringLiteral(QUARN_SOURCE_DIR "/tests/data/settings/v1/");
    QTest::newRow("window's Ctrl+S") << file_bytes(v1 + "window-ctrl-s.json") << "460";
    QTest::newRow("quarnctl read -o") << file_bytes(v1 + "quarnctl-read.json") << "161";
    QTest::newRow("backup") << file_bytes(v1 + "backup-before-programming.json") << "460";
    SettingsFile vhf = odd();
    vhf.band = Band::Vhf;
    QTest::newRow("no cells, VHF") << to_json(vhf) << "161";
    QTest::newRow("no cells, band unknown: UHF") << to_json(odd()) << "460";
  }
  void earlierVersionsAfterANewKey() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, filled);
    // The frequency's declaration again, as a new key first held by the next version.
    std::vector<SettingDeclaration> settings(setting_declarations().begin(), setting_declarations().end());
    SettingDeclaration added = *setting_named("frequency");
    added.name = "added_setting";
    added.first_version = settings_version + 1;
    settings.push_back(added);
    const OptionalTextKey site{"site", settings_version + 1};
    const SettingsTable later{settings, std::span(&site, 1), settings_version + 1};

    const SettingsLoad load = load_settings(bytes, later);
    QCOMPARE(said(load), QString());
    QCOMPARE(load.filled_in, QStringList{"settings.added_setting"});
    SettingsFile expected = *load_settings(bytes).file;
    expected.settings.frequency = filled.toStdString();
    QVERIFY(*load.file == expected);
    QCOMPARE(said(load_settings(QByteArray(bytes).replace("\"format\":", "\"site\": \"\", \"format\":"), later)),
             QString("Chiave \"site\" sconosciuta nella versione 1"));

    SettingsFile with_site = expected;
    with_site.optional_texts.insert("site", "Magazzino \"Nord\"");
    const QByteArray saved = to_json(with_site, later);
    const SettingsLoad again = load_settings(saved, later);
    QCOMPARE(said(again), QString());
    QCOMPARE(again.filled_in, QStringList());
    QVERIFY(*again.file == with_site);
    QCOMPARE(said(load_settings(saved)), QString("Versione 2 più recente di quella supportata (1)"));
  }

  // A pipe, a device or a folder is refused before it is opened: opening a
  // pipe would wait for a writer. A save onto one (the window's Ctrl+S, a
  // backup, read -o) leaves it what it was: an atomic save, run as root,
  // renamed its file over /dev/null.
  void notRegularFilesAreRefused_data() {
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"named pipe", "device", "folder"}) QTest::newRow(kind) << kind;
  }
  void notRegularFilesAreRefused() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const test::NamedPipe pipe(dir.filePath("pipe.json"));
#ifdef Q_OS_UNIX
    QVERIFY(pipe.made());
#else
    if (kind != "folder") QSKIP("a named pipe and /dev/null are POSIX paths");
#endif
    const QString path = kind == "named pipe" ? pipe.path() : kind == "device" ? "/dev/null" : dir.path();
    const SettingsLoad loaded = load_settings_file(path);
    QCOMPARE(said(loaded), QString("Impossibile aprire \"%1\": non è un file regolare").arg(path));
    QCOMPARE(said(save_settings_file(path, factory(Band::Uhf))),
             QString("Impossibile salvare \"%1\": non è un file regolare").arg(path));
#ifdef Q_OS_UNIX
    struct stat after {};
    QCOMPARE(::stat(path.toLocal8Bit().constData(), &after), 0);
    const auto type = after.st_mode & S_IFMT;
    QCOMPARE(type, kind == "named pipe" ? S_IFIFO : kind == "device" ? S_IFCHR : S_IFDIR);
#endif
  }

  // A fraction of a second is accepted but not kept: saving writes whole
  // seconds, and a file as loaded must be what saving it writes.
  void savedAtFraction() {
    const SettingsLoad loaded = load_settings(edited({{"saved_at", "2026-01-15T10:00:00.999+01:00"}}));
    QCOMPARE(said(loaded), QString());
    QCOMPARE(loaded.file->saved_at, example_time);
    const SettingsLoad again = load_settings(to_json(*loaded.file));
    QVERIFY(again.file && *again.file == *loaded.file);
  }

  // A file far over the limit is refused by its size: a 64 GiB one could not
  // be read into memory at all.
  void hugeFile_data() {
    QTest::addColumn<qint64>("size");
    QTest::newRow("100 MB") << qint64(100) * 1000 * 1000;
    QTest::newRow("64 GiB") << (qint64(64) << 30);
  }
  void hugeFile() {
    QFETCH(qint64, size);
    QTemporaryDir dir;
    QFile file(dir.filePath("huge.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY2(file.resize(size), qPrintable(file.errorString()));  // sparse: no blocks written
    file.close();
    QElapsedTimer timer;
    timer.start();
    const SettingsLoad loaded = load_settings_file(file.fileName());
    QCOMPARE(said(loaded), QString("File troppo grande (%1 byte, massimo 1048576)").arg(size));
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
  }

#ifdef Q_OS_UNIX  // the file size limit is POSIX's
  // A save that fails part-way (here: the file size limit of the process, as
  // a full disk would) leaves the old file as it was and no temporary file.
  void failedSaveKeepsOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.json");
    QCOMPARE(said(save_settings_file(path, factory(Band::Vhf))), QString());
    const QByteArray old_bytes = file_bytes(path);

    std::optional<FileError> error;
    {
      const test::FileSizeLimit full_disk(100);
      error = save_settings_file(path, worked());
    }
    QCOMPARE(said(error), "Impossibile salvare \"" + path + "\": " + QString::fromLocal8Bit(std::strerror(EFBIG)));
    QCOMPARE(file_bytes(path), old_bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"settings.json"});
  }
#endif
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
