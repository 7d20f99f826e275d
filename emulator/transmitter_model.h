#pragma once
// The transmitter's side of the command protocol, without transport or time:
// it takes the bytes the PC sends one by one and says what the device answers.

#include "config/factory_defaults.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quarn {

// Misbehaviours a test or a demonstration can switch on; all off by default.
// Addresses name the cell of a write or read step.
struct TransmitterFaults {
  bool noise_before_ready = false;            // 0x78 0x79 ahead of every ready "K"
  bool double_ready = false;                  // "KK" for every ready announcement
  std::optional<int> stray_before_ack_at{};   // 0x78 ahead of the "K" of this write
  bool double_ack_every_write = false;        // "KK" for every write
  std::optional<int> double_ack_at{};         // "KK" for this write
  bool lowercase_ack = false;                 // "k" in place of "K"
  std::optional<int> no_ack_from{};           // writes here and above: not stored, not answered
  std::optional<int> store_other_at{};        // this write is acknowledged but another value stored
  std::optional<int> extra_after_read_at{};   // 0x78 after the value of this read
  bool wrong_checksum = false;                // cell 61 disagrees with the block from the start
  bool silent = false;                        // never ready, answers nothing
  // What a real line shows besides. The model marks the step; the line and
  // the port (EmulatedTransmitter, PtyTransmitter) act on it.
  bool echo = false;                          // the line returns every byte the PC sends, ahead of the reply
  std::optional<int> vanish_at_read{};        // the device goes away on this read, unanswered
  std::optional<int> vanish_at_write{};       // the device goes away on this write, nothing stored
  bool return_after_vanish = false;           // and comes back behind the same port at once
  std::optional<int> late_ack_at{};           // this write is stored, its "K" comes after the PC's time-out
  std::optional<int> hang_at_read{};          // from this read on nothing is answered until the client leaves
  std::optional<int> flood_at_read{};         // a burst of junk ahead of the value of this read
  std::optional<int> flood_at_write{};        // a burst of junk ahead of the "K" of this write

  bool operator==(const TransmitterFaults&) const = default;
};

class TransmitterModel {
 public:
  using Bytes = std::vector<std::uint8_t>;

  struct Reply {
    Bytes bytes;
    bool acknowledges_write = false;  // the device takes its time over these
    bool late = false;                // held past the PC's acknowledgement time-out
    // Nothing the PC takes as the step's reply comes in time (no reply, a
    // late one, an acknowledgement that is not a lone "K", a hang): only its
    // time-out, or the technician, ends the step.
    bool unanswered = false;
    bool vanishes = false;            // the device goes away after this byte
  };

  // The bytes of a flood: more than a serial port's receive queue holds.
  static constexpr int flood_bytes = 2048;

  explicit TransmitterModel(const MemoryImage& memory, const TransmitterFaults& faults = {});

  // What the device sends to say it is ready, repeated by the transport while
  // a client holds the port and no session runs; empty in a session.
  Bytes announcement() const;
  Reply receive(std::uint8_t byte);
  // The client closed the port: a session or a half-received command is over.
  void clientLeft();

  // Switches faults on or off from the next byte on.
  void setFaults(const TransmitterFaults& faults) { faults_ = faults; }
  const TransmitterFaults& faults() const { return faults_; }
  bool inSession() const { return session_; }
  // Hung or gone (hang_at_read, vanish_at_...): deaf until the client leaves.
  bool stopped() const { return stopped_; }
  const MemoryImage& memory() const { return memory_; }
  int testTransmissions() const { return test_transmissions_; }

 private:
  enum class Expecting { Command, ReadAddress, WriteAddress, WriteValue };

  Reply command(std::uint8_t letter);
  Reply readCell(int address);
  Reply writeCell(int address, std::uint8_t value);

  MemoryImage memory_;
  TransmitterFaults faults_;
  bool session_ = false;
  bool stopped_ = false;  // hung or gone: deaf until the client leaves
  Expecting expecting_ = Expecting::Command;
  int address_ = 0;
  int test_transmissions_ = 0;
};

}  // namespace quarn
