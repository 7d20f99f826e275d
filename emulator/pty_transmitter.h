#pragma once
// Serves an emulated transmitter on a pseudo-terminal, so that any program
// that opens the slave device as a serial port finds a transmitter there.
// Clients come one after another; each one starts with a fresh ready "K".
// A device that vanishes closes the master, so the client's port hangs up;
// one that comes back does so on a new pseudo-terminal, which a client finds
// behind the same path when it opens the link path.

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

  // Serves behind a symbolic link at `path` as well, made by open() and
  // pointed at every new pseudo-terminal; set before open().
  void setLinkPath(const QString& path) { link_path_ = path; }
  // Creates the pseudo-terminal (again, after the device vanished) and starts
  // serving; returns the failure's description when that is not possible.
  std::optional<QString> open();
  // The device a client opens, such as /dev/pts/3.
  QString slavePath() const { return slave_path_; }
  // Where a client should look: the link if there is one, else the device.
  QString clientPath() const { return link_path_.isEmpty() ? slave_path_ : link_path_; }
  bool isOpen() const { return master_ >= 0; }

 private:
  void watchForClient();
  void readFromClient();
  bool drain();
  void clientArrived();
  void clientLeft();
  void writeToClient(const QByteArray& bytes);
  void vanish();
  void closeTerminal();
  std::optional<QString> pointLink() const;

  EmulatedTransmitter& transmitter_;
  int master_ = -1;
  QString slave_path_;
  QString link_path_;
  std::unique_ptr<QSocketNotifier> reader_;
  QTimer client_watch_;
};

}  // namespace quarn
