// The emulated transmitter's command parser fed any byte stream: it never
// crashes, any address byte is safe (only its low six bits select a cell),
// memory changes only through a complete "W", address, value inside a session
// (one cell, to the value byte or, where that fault is on, to the value with
// its lowest bit flipped, acknowledged), nothing is answered or stored
// before a "U" has come, and a read answers with the cell its address selects.
//
// A device that vanished or hangs answers and stores nothing until the client
// leaves; a flood comes whole ahead of the reply of its own step, and only a
// write's acknowledgement is ever held back.
//
// Input: six header bytes, then the stream.
//   byte 0     fault switches: bit 0 noise before ready, bit 1 double "K" on
//              every write, bit 2 lowercase "k", bit 3 wrong checksum, bit 4
//              silent, bit 5 the VHF Old factory set (else UHF New), bit 6
//              double ready "K", bit 7 the write at byte 1's address stores
//              another value
//   bytes 1-3  addresses for a stray byte before the "K", a double "K" and
//              an extra byte after a read (255: none; any other value,
//              including those past 63, is taken as it is)
//   byte 4     writes here and above are not taken (255: none)
//   byte 5     a line fault at byte 1's address: 1 vanish at a read, 2
//              vanish at a write, 3 hang at a read, 4 flood at a read, 5
//              flood at a write, 6 late "K" (its value modulo 8; else none)
//   stream     bytes the PC sends; a byte 0xFF right after 0xFE 0xFE stands
//              for the client leaving instead

#include "emulator/transmitter_model.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

std::optional<int> address_or_none(std::uint8_t byte) {
  if (byte == 255) return std::nullopt;
  return byte;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t header = 6;
  if (size < header) return -1;
  quarn::TransmitterFaults faults;
  faults.noise_before_ready = data[0] & 1;
  faults.double_ack_every_write = data[0] & 2;
  faults.lowercase_ack = data[0] & 4;
  faults.wrong_checksum = data[0] & 8;
  faults.silent = data[0] & 16;
  faults.double_ready = data[0] & 64;
  faults.stray_before_ack_at = address_or_none(data[1]);
  faults.double_ack_at = address_or_none(data[2]);
  faults.extra_after_read_at = address_or_none(data[3]);
  faults.no_ack_from = address_or_none(data[4]);
  if (data[0] & 128) faults.store_other_at = faults.stray_before_ack_at;
  const std::optional<int> line_fault_at = faults.stray_before_ack_at;
  switch (data[5] % 8) {
    case 1: faults.vanish_at_read = line_fault_at; break;
    case 2: faults.vanish_at_write = line_fault_at; break;
    case 3: faults.hang_at_read = line_fault_at; break;
    case 4: faults.flood_at_read = line_fault_at; break;
    case 5: faults.flood_at_write = line_fault_at; break;
    case 6: faults.late_ack_at = line_fault_at; break;
    default: break;
  }
  const quarn::MemoryImage factory = data[0] & 32 ? quarn::factory_default_cells(quarn::Band::Vhf, quarn::Generation::Old)
                                                  : quarn::factory_default_cells(quarn::Band::Uhf, quarn::Generation::New);
  quarn::TransmitterModel model(factory, faults);

  // The last bytes the model took since the client last left, newest last,
  // and whether a "U" has been among them (no session can have started yet).
  std::uint8_t earlier = 0, previous = 0;
  int taken = 0;
  bool start_sent = false;
  for (std::size_t i = header; i < size; ++i) {
    const std::uint8_t byte = data[i];
    if (byte == 0xFF && i >= header + 2 && data[i - 1] == 0xFE && data[i - 2] == 0xFE) {
      model.clientLeft();
      FUZZ_CHECK(!model.inSession());
      const std::size_t ready = 1u + (faults.noise_before_ready ? 2u : 0u) + (faults.double_ready ? 1u : 0u);
      FUZZ_CHECK(model.announcement().size() == (faults.silent ? 0u : ready));
      taken = 0;
      start_sent = false;
      FUZZ_CHECK(!model.stopped());
      continue;
    }
    const bool in_session = model.inSession();
    const bool stopped = model.stopped();
    const quarn::MemoryImage memory = model.memory();
    const quarn::TransmitterModel::Reply reply = model.receive(byte);
    const int addressed = byte % quarn::memory_size;  // if this byte is a read's address
    const int written = previous % quarn::memory_size;  // if it is a write's value
    if (model.inSession()) FUZZ_CHECK(model.announcement().empty());

    int changed = 0;
    int changed_cell = -1;
    for (int cell = 0; cell < quarn::memory_size; ++cell) {
      if (model.memory()[cell] != memory[cell]) {
        ++changed;
        changed_cell = cell;
      }
    }
    if (changed > 0) {
      FUZZ_CHECK(changed == 1);
      const bool stores_other = faults.store_other_at == changed_cell;
      FUZZ_CHECK(model.memory()[changed_cell] == (stores_other ? byte ^ 1 : byte));
      FUZZ_CHECK(taken >= 2 && earlier == 'W' && previous % quarn::memory_size == changed_cell);
      FUZZ_CHECK(in_session && reply.acknowledges_write);
      FUZZ_CHECK(faults.vanish_at_write != changed_cell);
    }
    if (stopped) FUZZ_CHECK(reply.bytes.empty() && changed == 0 && !reply.vanishes);
    FUZZ_CHECK(!reply.late || (reply.acknowledges_write && faults.late_ack_at == written));
    if (reply.acknowledges_write) {
      const std::size_t flood = faults.flood_at_write == written ? quarn::TransmitterModel::flood_bytes : 0;
      FUZZ_CHECK(reply.bytes.size() > flood && reply.bytes.size() <= flood + 3);
    } else if (!reply.bytes.empty()) {
      // A read step: the value of the cell the address selects, maybe noise,
      // behind a flood where one is due.
      const std::size_t flood = faults.flood_at_read == addressed ? quarn::TransmitterModel::flood_bytes : 0;
      FUZZ_CHECK(taken >= 1 && previous == 'R');
      FUZZ_CHECK(reply.bytes.size() > flood && reply.bytes.size() <= flood + 2);
      FUZZ_CHECK(reply.bytes[flood] == model.memory()[addressed]);
    }
    if (model.stopped() && !stopped) {
      FUZZ_CHECK(in_session && reply.bytes.empty() && changed == 0);
      FUZZ_CHECK(reply.vanishes || (faults.hang_at_read == addressed && previous == 'R'));
    }
    start_sent = start_sent || byte == 'U';
    if (faults.silent || !start_sent) FUZZ_CHECK(reply.bytes.empty() && changed == 0 && !model.inSession());
    earlier = previous;
    previous = byte;
    ++taken;
  }
  return 0;
}
