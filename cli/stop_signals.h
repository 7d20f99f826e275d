#pragma once
// Ctrl+C, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and closing the
// console) as events of the event loop instead of the end of the process, for
// as long as they are armed. A signal the process was started with ignored
// (nohup) stays ignored.

#include <QObject>
#include <QString>

#include <optional>

class QSocketNotifier;

namespace quarn::cli {

class StopSignals : public QObject {
  Q_OBJECT
 public:
  // One at a time in a process: the signal handlers reach only this one.
  explicit StopSignals(QObject* parent = nullptr);
  ~StopSignals() override;

  // From now on the signals arrive as received(); disarm() lets them end the
  // process again, after taking in those that came meanwhile.
  void arm();
  void disarm();
  // Takes in at once the signals that came and were not yet announced.
  void collect();

  // The first signal received, if any.
  std::optional<int> first() const { return first_; }
  // "SIGINT", "SIGTERM", ...
  static QString name(int signal);

 signals:
  // `count`: the signals received so far, this one included.
  void received(int signal, int count);

 private:
  Q_INVOKABLE void announce(int signal);

  std::optional<int> first_;
  int count_ = 0;
  bool armed_ = false;
  QSocketNotifier* notifier_ = nullptr;  // POSIX: the read end of the signals' pipe
};

}  // namespace quarn::cli
