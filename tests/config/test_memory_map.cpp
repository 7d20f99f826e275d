// docs/memory-map.md is drawn from the cell map, the settings table and the
// packet builder; this test draws it again and fails when the page differs,
// so the page cannot drift from the code. To redraw it after a change:
//   QUARN_WRITE_MEMORY_MAP=1 build/tests/config/test_memory_map

#include "config/cell_map.h"
#include "config/packet.h"
#include "config/settings_table.h"

#include <QFile>
#include <QTest>

using namespace quarn;

namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// What a generation's programming run and read-back do with a cell.
QString handling(int address, Generation generation) {
  if (carries_meaning(address, generation)) return "compared";
  return address <= constants_of(generation).last_programmed_address ? "written" : "—";
}

QString packet_byte_meaning(int position) {
  switch (position) {
    case packet_byte::lead: return "lead";
    case packet_byte::fixed: return "fixed";
    case packet_byte::code_high: return "code, high byte (Mono: bits 0–1; with low tones 4 × repeater code above)";
    case packet_byte::code_low: return "code, low byte";
    case packet_byte::mask: return "input: Quarn 1; Mono the input's bit (input 3: 4)";
    case packet_byte::option: return "Quarn: 192 XOR (input − 1); Mono: 120, low tones 124";
    case packet_byte::xor_check: return "XOR of bytes 1 to 5";
    case packet_byte::sum_check: return "(255 − (sum of bytes 1 to 5 + XOR)) AND 255";
    case packet_byte::end: return "end";
  }
  return {};
}

QString setting_cell(const SettingDeclaration& s, int address) {
  QString holds = QString("`%1` — %2").arg(text(s.name), text(s.caption));
  if (!s.unit.empty()) holds += QString(" (%1)").arg(text(s.unit));
  switch (s.kind) {
    case SettingKind::OptionPair:
      return holds + QString(": 0 %1, 1 %2").arg(text(s.choices[0].word), text(s.choices[1].word));
    case SettingKind::Frequency: {
      static const char* const parts[] = {"channel div 64, high byte", "channel div 64, low byte",
                                          "2 × (channel mod 64)"};
      return holds + ": " + parts[address - s.cell()];
    }
    case SettingKind::CodePacket: {
      const bool alarm = address < cell::battery_packet;
      const int position = address - (alarm ? cell::alarm_packet : cell::battery_packet);
      return QString("%1 packet byte %2: %3").arg(alarm ? "alarm" : "battery").arg(position).arg(packet_byte_meaning(position));
    }
    case SettingKind::Number:
    case SettingKind::ListValue:
      return holds + QString(": %1 to %2").arg(s.limits.low).arg(s.limits.high);
  }
  return holds;
}

QString constant_cell(int address) {
  for (const DeviceConstant& c : device_constants) {
    if (c.cell == address) return QString("constant: New %1, Old %2").arg(c.new_value).arg(c.old_value);
  }
  return {};
}

QString cell_meaning(int address) {
  if (const SettingDeclaration* s = setting_for_cell(address)) return setting_cell(*s, address);
  if (QString constant = constant_cell(address); !constant.isEmpty()) return constant;
  for (const int kept : kept_cells) {
    if (kept == address) return "kept: written back as the last read found it";
  }
  switch (address) {
    case cell::device_type:
      return QString("device type: %1 (\"N\") New, anything else Old (written 0)").arg(device_type_new);
    case cell::block_checksum: return "checksum of cells 0 to 36: (255 − their sum) AND 255";
    case cell::band: return QString("band: %1 (\"U\") UHF, %2 (\"V\") VHF; written by a factory set only")
                         .arg(band_uhf).arg(band_vhf);
    case cell::cell_63: return QString("not read; a factory set writes %1 (\"Z\")").arg(cell_63_mark);
  }
  return "filler: written 0";
}

QString memory_map() {
  QString page =
      "# Memory map\n\n"
      "The transmitter's 64 cells as the program reads and writes them. Drawn\n"
      "from the code by `tests/config/test_memory_map.cpp`, which fails when this\n"
      "page differs; do not edit it by hand.\n\n"
      "A read fetches cells 0 to " + QString::number(read_count - 1) +
      ". A programming run writes cells 0 to " + QString::number(constants_of(Generation::New).last_programmed_address) +
      " of a New unit and 0 to " + QString::number(constants_of(Generation::Old).last_programmed_address) +
      " of an Old one; its read-back compares only the cells marked \"compared\" "
      "(a differing \"written\" cell goes to the trace).\n\n"
      "| Cell | Holds | New | Old |\n|---|---|---|---|\n";
  for (int address = 0; address < memory_size;) {
    const QString meaning = cell_meaning(address);
    int last = address;
    while (last + 1 < memory_size && cell_meaning(last + 1) == meaning &&
           handling(last + 1, Generation::New) == handling(address, Generation::New) &&
           handling(last + 1, Generation::Old) == handling(address, Generation::Old)) {
      ++last;
    }
    const QString cells = last == address ? QString::number(address) : QString("%1–%2").arg(address).arg(last);
    page += QString("| %1 | %2 | %3 | %4 |\n")
                .arg(cells, meaning, handling(address, Generation::New), handling(address, Generation::Old));
    address = last + 1;
  }

  page += "\n## The two packets\n\n"
          "Cells " + QString::number(cell::alarm_packet) + " to " + QString::number(cell::alarm_packet + packet_size - 1) +
          " carry the alarm packet (code and `alarm_input`), cells " + QString::number(cell::battery_packet) + " to " +
          QString::number(cell::battery_packet + packet_size - 1) +
          " the battery packet (code and `battery_input`). Both hold the same code. "
          "The examples: code 722 (2 × 256 + 210), input 3, repeater code 5.\n\n"
          "| Byte | Holds | Quarn | Mono, high tones | Mono, low tones |\n|---|---|---|---|---|\n";
  const Packet quarn = build_packet(CodeMode::Quarn, 722, 3, false, 5);
  const Packet mono_high = build_packet(CodeMode::Mono, 722, 3, false, 5);
  const Packet mono_low = build_packet(CodeMode::Mono, 722, 3, true, 5);
  for (int position = 0; position < packet_size; ++position) {
    page += QString("| %1 | %2 | %3 | %4 | %5 |\n")
                .arg(position)
                .arg(packet_byte_meaning(position))
                .arg(quarn[position])
                .arg(mono_high[position])
                .arg(mono_low[position]);
  }
  return page;
}

}  // namespace

class TestMemoryMap : public QObject {
  Q_OBJECT

 private slots:
  void pageIsDrawnFromTheCode() {
    QFile page(QUARN_SOURCE_DIR "/docs/memory-map.md");
    const QString drawn = memory_map();
    if (qEnvironmentVariableIsSet("QUARN_WRITE_MEMORY_MAP")) {
      QVERIFY(page.open(QIODevice::WriteOnly | QIODevice::Truncate));
      page.write(drawn.toUtf8());
      return;
    }
    QVERIFY2(page.open(QIODevice::ReadOnly), "docs/memory-map.md is missing: QUARN_WRITE_MEMORY_MAP=1 draws it");
    QVERIFY2(QString::fromUtf8(page.readAll()) == drawn,
             "docs/memory-map.md differs from the code: QUARN_WRITE_MEMORY_MAP=1 redraws it");
  }
};

QTEST_APPLESS_MAIN(TestMemoryMap)
#include "test_memory_map.moc"
