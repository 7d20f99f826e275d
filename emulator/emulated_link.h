#pragma once
// A serial port inside the program with an emulated transmitter at its far
// end: every port number reaches the same transmitter (demonstration mode).

#include "emulator/emulated_transmitter.h"
#include "link/serial_link.h"

namespace quarn {

class EmulatedLink : public SerialLink {
  Q_OBJECT
 public:
  // What unplug() reports, in the manner of a serial layer's resource error.
  static constexpr int unplugged_error_number = 9;
  static constexpr qsizetype receive_queue_bytes = 1024;

  explicit EmulatedLink(EmulatedTransmitter& transmitter, QObject* parent = nullptr);

  void setPortNumber(int number) override;
  int portNumber() const override;
  std::optional<PortError> open() override;
  void close() override;
  bool isOpen() const override;
  void setReadGranularity(int bytes) override;
  int bytesWaiting() const override;
  QByteArray read() override;
  void write(const QByteArray& bytes) override;

  // Test hooks: the adapter is pulled out (the port closes and lost() is
  // emitted), or every open() fails with the given error until it is cleared.
  void unplug();
  void setOpenFailure(std::optional<PortError> error);

 private:
  void receive(const QByteArray& bytes);

  EmulatedTransmitter& transmitter_;
  int number_ = first_port;
  int granularity_ = 1;
  bool open_ = false;
  QByteArray received_;
  std::optional<PortError> open_failure_;
};

}  // namespace quarn
