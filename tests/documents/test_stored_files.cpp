// Every stored file the project has, one row each, found at run time: the
// examples, the settings files as each format version wrote them, the seeds of
// the codec's and the settings file's fuzz targets, and the factory sets. Each
// keeps its settings through saving and loading, and its settings and cells
// agree both ways through the codec, unless the file does not mean them to
// (the exemptions below say why).

#include "config/block_encoding.h"
#include "documents/settings_file.h"
#include "encode_input.h"
#include "tests/documents/said.h"

#include <QDir>
#include <QtTest>

#include <algorithm>

using namespace quarn;
using quarn::test::said;

namespace {

const QString source_dir = QStringLiteral(QUARN_SOURCE_DIR "/");
const QDateTime stored_time = QDateTime::fromString("2026-01-15T09:00:00Z", Qt::ISODate);

// Files that do not mean what a check asks, by path or folder, and why.
struct Exemption {
  const char* path;
  const char* check;  // "load": refused, the reason is the refusal
  const char* reason;
};
// The encode_block seeds hold texts as typed and a memory as read before a
// run that changes it; only uhf_new_factory, worked_block and
// kept_cell_no_byte (its cell 22 aside, which no read holds) type what the
// memory holds.
const char* const typed_over_other_memory = "its fields are what a run programs over the memory as read, not what it holds";
const Exemption exemptions[] = {
    {"tests/data/settings/v1/window-ctrl-s.json", "decode", "code, frequency and mode were typed after the read"},
    {"tests/data/settings/v1/window-ctrl-s.json", "encode", "code, frequency and mode were typed after the read"},
    {"fuzz/corpus/settings_file/old_no_cells_texts_as_typed.json", "load",
     "Chiave \"extra_key\" sconosciuta nella versione 1"},
    {"fuzz/corpus/settings_file/saved_at_past_9999_utc.json", "load",
     "Chiave \"saved_at\": data non valida \"9999-12-31T23:59:59-14:00\" (attesa data ISO 8601 con fuso orario, "
     "come 2026-12-08T10:15:30Z)"},
    {"fuzz/corpus/settings_file/note_with_a_key_twice_escaped.json", "load",
     "Chiave \"note.code\" presente più volte"},
    {"fuzz/corpus/encode_block/as_typed", "save", "blanks and an exponent in the code, which a file refuses"},
    {"fuzz/corpus/encode_block/frequency_within_the_nudge_above", "save", "bytes that are no UTF-8, which a file refuses"},
    {"fuzz/corpus/encode_block/as_typed", "decode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/frequency_within_the_nudge_above", "decode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/half_channel_above", "decode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/mono_code_1024", "decode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/mono_low_tones", "decode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/quarn_code_5000_no_band", "decode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/vhf_old_factory", "decode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/as_typed", "encode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/frequency_within_the_nudge_above", "encode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/half_channel_above", "encode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/mono_code_1024", "encode", "Mono coding refuses code 1024"},
    {"fuzz/corpus/encode_block/mono_low_tones", "encode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/quarn_code_5000_no_band", "encode", typed_over_other_memory},
    {"fuzz/corpus/encode_block/vhf_old_factory", "encode", typed_over_other_memory},
    {"fuzz/corpus/decode_block/", "decode", "its settings are what its cells decode to"},
    {"fuzz/corpus/decode_block/band_outside_frequency", "encode", "a run refuses a frequency outside the band"},
    {"fuzz/corpus/decode_block/half_channel", "encode", "an odd cell 12 is half a channel: a run programs the next"},
    {"fuzz/corpus/decode_block/mono_mask_3_held_texts", "encode", "a Mono mask of two bits names no input, which a run refuses"},
    {"fuzz/corpus/decode_block/unknown_options_held", "encode",
     "coding cell 2 reads by the Mono rule, but the run builds the Quarn packets of the option as it was"},
};

std::optional<QString> exemption(const QString& path, const char* check) {
  for (const Exemption& e : exemptions) {
    if (qstrcmp(e.check, check) == 0 && path.startsWith(e.path)) return QString(e.reason);
  }
  return std::nullopt;
}

std::optional<Band> band_of(std::uint8_t cell) {
  if (cell == band_uhf) return Band::Uhf;
  if (cell == band_vhf) return Band::Vhf;
  return std::nullopt;
}

SettingsFile of_memory(const FieldValues& settings, const MemoryRead& memory) {
  return {settings, memory, generation_of(memory[cell::device_type]), band_of(memory[cell::band]), "1.0.4", stored_time};
}

// What a stored file stands for, as a settings file; a refusal for one that
// does not load. "factory/<band>-<generation>" names a factory set.
SettingsLoad stored(const QString& path) {
  if (path.endsWith(".json")) return load_settings_file(source_dir + path);
  QFile file(source_dir + path);
  const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  MemoryRead memory{};
  if (path.startsWith("fuzz/corpus/encode_block/")) {
    fuzz::EncodeInput in = fuzz::encode_input(bytes.toStdString());
    // A read of a New device holds its checksum too.
    if (in.is_new) in.memory[cell::block_checksum] = decode_block(in.memory).block.block_checksum;
    return {.file = of_memory(in.fields, in.memory)};
  }
  if (path.startsWith("fuzz/corpus/decode_block/")) {  // the 63 cells read, then what the window held
    std::copy_n(bytes.begin(), std::min<qsizetype>(bytes.size(), read_count), memory.begin());
    return {.file = of_memory(decode_block(memory).values, memory)};
  }
  const Band band = path.contains("uhf") ? Band::Uhf : Band::Vhf;
  const MemoryImage image = factory_default_cells(band, path.endsWith("new") ? Generation::New : Generation::Old);
  std::copy_n(image.begin(), read_count, memory.begin());
  return {.file = of_memory(factory_settings(band), memory)};
}

// Why a check of the codec does not apply to a file, if it does not.
std::optional<QString> codec_skip(const QString& path, const SettingsLoad& load, const char* check) {
  if (exemption(path, "load")) return "refused, as savedAndLoadedAgain checks";
  if (load.file && !load.file->cells) return "no cells: never read from a device";
  return exemption(path, check);
}

// The file with other settings, as text: a failed comparison shows the keys.
QByteArray with_settings(SettingsFile file, const FieldValues& settings) {
  file.settings = settings;
  return to_json(file);
}

}  // namespace

class TestStoredFiles : public QObject {
  Q_OBJECT

  void rows() {
    QTest::addColumn<QString>("path");
    for (const char* folder : {"examples", "tests/data/settings/v1", "fuzz/corpus/settings_file",
                               "fuzz/corpus/encode_block", "fuzz/corpus/decode_block"}) {
      const QDir dir(source_dir + folder);
      QVERIFY2(!dir.isEmpty(), folder);
      for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        const QString path = QString(folder) + '/' + name;
        QTest::newRow(qPrintable(path)) << path;
      }
    }
    for (const char* set : {"factory/uhf-new", "factory/vhf-new", "factory/uhf-old", "factory/vhf-old"})
      QTest::newRow(set) << QString(set);
  }

 private slots:
  void savedAndLoadedAgain_data() { rows(); }
  void savedAndLoadedAgain() {
    QFETCH(QString, path);
    const SettingsLoad load = stored(path);
    if (const auto refusal = exemption(path, "load")) {
      QCOMPARE(said(load), *refusal);
      return;
    }
    if (const auto reason = exemption(path, "save")) QSKIP(qPrintable(*reason));
    QCOMPARE(said(load), QString());
    const SettingsLoad again = load_settings(to_json(*load.file));
    QCOMPARE(said(again), QString());
    QCOMPARE(to_json(*again.file), to_json(*load.file));
    QVERIFY(*again.file == *load.file);
  }

  void cellsDecodeToTheSettings_data() { rows(); }
  void cellsDecodeToTheSettings() {
    QFETCH(QString, path);
    const SettingsLoad load = stored(path);
    if (const auto reason = codec_skip(path, load, "decode")) QSKIP(qPrintable(*reason));
    QCOMPARE(said(load), QString());
    QCOMPARE(with_settings(*load.file, decode_block(*load.file->cells).values), to_json(*load.file));
  }

  // As a programming run right after the read: over the image as read.
  void settingsEncodeToTheCells_data() { rows(); }
  void settingsEncodeToTheCells() {
    QFETCH(QString, path);
    const SettingsLoad load = stored(path);
    if (const auto reason = codec_skip(path, load, "encode")) QSKIP(qPrintable(*reason));
    QCOMPARE(said(load), QString());
    const SettingsFile* file = &*load.file;
    const ProgrammingRun run = encode_block(decode_block(*file->cells).block, file->settings);
    QVERIFY(!run.refusal);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(run.writes.data()), qsizetype(run.writes.size())),
             QByteArray(reinterpret_cast<const char*>(file->cells->data()), qsizetype(run.writes.size())));
  }
};

QTEST_GUILESS_MAIN(TestStoredFiles)
#include "test_stored_files.moc"
