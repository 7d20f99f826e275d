#pragma once
// Serves an emulated transmitter on a pseudo-terminal, so that any program
// that opens the slave device as a serial port finds a transmitter there.
// Clients come one after another; each one starts with a fresh ready "K".

#include "emulator/emulated_transmitter.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

namespace quarn {

class PtyTransmitter : public QObject {
  Q_OBJECT
 public:
  explicit PtyTransmitter(EmulatedTransmitter& transmitter, QObject* parent = nullptr);
  ~PtyTransmitter() override;

  // Creates the pseudo-terminal and starts serving; returns the failure's
  // description when that is not possible.
  std::optional<QString> open();
  // The device a client opens, such as /dev/pts/3.
  QString slavePath() const { return slave_path_; }

 private:
  void watchForClient();
  void readFromClient();
  bool drain();
  void clientArrived();
  void clientLeft();
  void writeToClient(const QByteArray& bytes);

  EmulatedTransmitter& transmitter_;
  int master_ = -1;
  QString slave_path_;
  std::unique_ptr<QSocketNotifier> reader_;
  QTimer client_watch_;
};

}  // namespace quarn
