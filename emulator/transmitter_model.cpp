#include "emulator/transmitter_model.h"

namespace quarn {

namespace {
constexpr std::uint8_t ready = 'K';
constexpr std::uint8_t ack = 'K';
constexpr std::uint8_t lowercase_ack = 'k';
constexpr std::uint8_t start_session = 'U';
constexpr std::uint8_t read_step = 'R';
constexpr std::uint8_t write_step = 'W';
constexpr std::uint8_t end_session = 'E';
constexpr std::uint8_t test_transmission = 'Q';
constexpr std::uint8_t noise = 0x78;
constexpr std::uint8_t more_noise = 0x79;

// Puts a flood ahead of a reply: every byte value in turn, "K" among them,
// junk the PC must not mistake for the reply.
void flood_ahead_of(TransmitterModel::Bytes& reply) {
  TransmitterModel::Bytes bytes(TransmitterModel::flood_bytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i);
  reply.insert(reply.begin(), bytes.begin(), bytes.end());
}
}  // namespace

TransmitterModel::TransmitterModel(const MemoryImage& memory, const TransmitterFaults& faults)
    : memory_(memory), faults_(faults) {
  if (faults_.wrong_checksum) ++memory_[cell::block_checksum];
}

TransmitterModel::Bytes TransmitterModel::announcement() const {
  if (faults_.silent || session_ || stopped_) return {};
  Bytes bytes;
  if (faults_.noise_before_ready) bytes = {noise, more_noise};
  bytes.push_back(ready);
  if (faults_.double_ready) bytes.push_back(ready);
  return bytes;
}

TransmitterModel::Reply TransmitterModel::receive(std::uint8_t byte) {
  if (faults_.silent || stopped_) return {};
  // The address byte selects one of the 64 cells; higher bits are not decoded.
  const int address = byte % memory_size;
  switch (expecting_) {
    case Expecting::Command:
      return command(byte);
    case Expecting::ReadAddress:
      expecting_ = Expecting::Command;
      return readCell(address);
    case Expecting::WriteAddress:
      address_ = address;
      expecting_ = Expecting::WriteValue;
      return {};
    case Expecting::WriteValue:
      expecting_ = Expecting::Command;
      return writeCell(address_, byte);
  }
  return {};
}

void TransmitterModel::clientLeft() {
  session_ = false;
  stopped_ = false;
  expecting_ = Expecting::Command;
}

TransmitterModel::Reply TransmitterModel::command(std::uint8_t letter) {
  if (!session_) {
    session_ = letter == start_session;
    return {};
  }
  switch (letter) {
    case read_step:
      expecting_ = Expecting::ReadAddress;
      break;
    case write_step:
      expecting_ = Expecting::WriteAddress;
      break;
    case test_transmission:
      ++test_transmissions_;
      session_ = false;
      break;
    case end_session:
      session_ = false;
      break;
  }
  return {};
}

TransmitterModel::Reply TransmitterModel::readCell(int address) {
  if (faults_.vanish_at_read == address || faults_.hang_at_read == address) {
    stopped_ = true;
    const bool vanishes = faults_.vanish_at_read == address;
    return {.bytes = {}, .unanswered = !vanishes, .vanishes = vanishes};
  }
  Bytes reply{memory_[address]};
  if (faults_.extra_after_read_at == address) reply.push_back(noise);
  if (faults_.flood_at_read == address) flood_ahead_of(reply);
  return {reply};
}

TransmitterModel::Reply TransmitterModel::writeCell(int address, std::uint8_t value) {
  if (faults_.vanish_at_write == address) {
    stopped_ = true;
    return {.bytes = {}, .vanishes = true};
  }
  if (faults_.no_ack_from && address >= *faults_.no_ack_from) return {.bytes = {}, .unanswered = true};
  // Another value: the lowest bit flipped.
  memory_[address] = faults_.store_other_at == address ? value ^ 1 : value;
  Reply reply{{}, true};
  if (faults_.stray_before_ack_at == address) reply.bytes.push_back(noise);
  const std::uint8_t letter = faults_.lowercase_ack ? lowercase_ack : ack;
  reply.bytes.push_back(letter);
  if (faults_.double_ack_every_write || faults_.double_ack_at == address) reply.bytes.push_back(letter);
  if (faults_.flood_at_write == address) flood_ahead_of(reply.bytes);
  reply.late = faults_.late_ack_at == address;
  reply.unanswered = reply.late || reply.bytes.front() != ack;
  return reply;
}

}  // namespace quarn
