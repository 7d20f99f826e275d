#pragma once
// A port that the test drives byte by byte: it records what the program
// writes and hands over what the test feeds, as a real port would.

#include "link/serial_link.h"

namespace quarn {

class ScriptedLink : public SerialLink {
 public:
  void setPortNumber(int number) override { port_number_ = number; }
  int portNumber() const override { return port_number_; }
  std::optional<PortError> open() override {
    if (auto failure = std::exchange(open_failure_, std::nullopt)) return failure;
    open_ = true;
    return std::nullopt;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  void setReadGranularity(int bytes) override { granularity_ = bytes; }
  int bytesWaiting() const override { return open_ ? static_cast<int>(incoming_.size()) : 0; }
  QByteArray read() override {
    if (!open_) return {};
    QByteArray taken = incoming_.left(granularity_);
    incoming_.remove(0, taken.size());
    return taken;
  }
  void write(const QByteArray& bytes) override {
    written_ += bytes;
    ++write_calls_;
  }

  // Bytes arriving from the transmitter.
  void feed(const QByteArray& bytes) {
    incoming_ += bytes;
    emit bytesArrived();
  }
  void unplug() {
    open_ = false;
    emit lost(PortError{9, "unplugged"});
  }
  void failNextOpen(const PortError& error) { open_failure_ = error; }
  const QByteArray& written() const { return written_; }
  QByteArray takeWritten() { return std::exchange(written_, {}); }
  int writeCalls() const { return write_calls_; }
  int waiting() const { return static_cast<int>(incoming_.size()); }

 private:
  int port_number_ = 1;
  bool open_ = false;
  int granularity_ = 1;
  int write_calls_ = 0;
  std::optional<PortError> open_failure_;
  QByteArray incoming_;
  QByteArray written_;
};

}  // namespace quarn
