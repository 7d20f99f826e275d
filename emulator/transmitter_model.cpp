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
}  // namespace

TransmitterModel::TransmitterModel(const MemoryImage& memory, const TransmitterFaults& faults)
    : memory_(memory), faults_(faults) {
  if (faults_.wrong_checksum) ++memory_[cell::block_checksum];
}

TransmitterModel::Bytes TransmitterModel::announcement() const {
  if (faults_.silent || session_) return {};
  Bytes bytes;
  if (faults_.noise_before_ready) bytes = {noise, more_noise};
  bytes.push_back(ready);
  if (faults_.double_ready) bytes.push_back(ready);
  return bytes;
}

TransmitterModel::Reply TransmitterModel::receive(std::uint8_t byte) {
  if (faults_.silent) return {};
  // The address byte selects one of the 64 cells; higher bits are not decoded.
  const int address = byte % memory_size;
  switch (expecting_) {
    case Expecting::Command:
      return command(byte);
    case Expecting::ReadAddress:
      expecting_ = Expecting::Command;
      return {readCell(address)};
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

TransmitterModel::Bytes TransmitterModel::readCell(int address) const {
  Bytes reply{memory_[address]};
  if (faults_.extra_after_read_at == address) reply.push_back(noise);
  return reply;
}

TransmitterModel::Reply TransmitterModel::writeCell(int address, std::uint8_t value) {
  if (faults_.no_ack_from && address >= *faults_.no_ack_from) return {};
  // Another value: the lowest bit flipped.
  memory_[address] = faults_.store_other_at == address ? value ^ 1 : value;
  Reply reply{{}, true};
  if (faults_.stray_before_ack_at == address) reply.bytes.push_back(noise);
  const std::uint8_t letter = faults_.lowercase_ack ? lowercase_ack : ack;
  reply.bytes.push_back(letter);
  if (faults_.double_ack_every_write || faults_.double_ack_at == address) reply.bytes.push_back(letter);
  return reply;
}

}  // namespace quarn
