// quarn-bench: what the configurator costs while it works a transmitter.
//
// Starts quarn-emulator on a pseudo-terminal (its line paced at 2400 baud
// unless --no-pacing), opens the real main window offscreen on the real serial
// layer ("Com 1" leads to the emulator through QUARN_COM1), presses its
// buttons by name and prints one row per operation and per idle phase, as a
// table and as JSON lines. With --runs N every figure is the median over the
// runs, and the worst run is shown beside it. Message boxes are answered at
// once and counted: a box during a row is a failure.
//
// What the figures are:
// - bytes: bytes on the wire from the operation's first command byte to its
//   last reply byte, both ways; the wire-time limit is that count at 240
//   bytes/s, since every reply waits for its command and every command for
//   the reply before it. wall and ratio run over the same span, taken from
//   the program's write of the first command to the arrival of the last reply,
//   less the guards within it.
// - bare, net: after each run's last idle phase a bare client replays the
//   run's exchanges on the same pseudo-terminal (tools/bench/bare_replay.h).
//   bare is its ratio: the floor the pseudo-terminal, the emulator and the
//   scheduler set. net is 1 + (wall - the bare client's wall) / limit: the
//   program's own share of the line's time.
// - guard: the program listens 30 ms after the last reply of each sequence
//   (the writes, a read) for a reply too many. A guard within an operation
//   (before a read-back) runs from the writes' last reply to the read-back's
//   first command; the guard at its end from the last reply to the progress
//   bar's hiding. They are reported on their own rows, not in the ratio.
// - turnaround: from a reply's arrival at the program (the serial layer's
//   notice) to the program's write of the next command, through a port that
//   timestamps both (tests/bench/timed_link.h). It leaves out the emulator's
//   and the pseudo-terminal's delays, which only the ratio shows.
// - press: from the press of the button to the program's write of the
//   operation's first command. The button is pressed as an assistive
//   technology presses it (its accessible "Press" action), or with --click as
//   a mouse click ends (QAbstractButton::click). Programma and the defaults
//   first save a backup into a folder that already holds as many backups as
//   are kept; connect+read opens the port and waits for the device's "K".
// - CPU: user and system time of this process (getrusage) over the wall time
//   from the press to the end of the operation. The benchmark's probes (the
//   timestamping port, the event count) add no wake-up of their own; the
//   time spent inside them is summed and shown apart ("probes %"), and is
//   part of the CPU column.
// - wake-ups: voluntary context switches (a thread went to sleep waiting for
//   something and was woken), per second for all threads of this process, and
//   per received byte for the main thread alone. The window's own work on a
//   byte needs one wake-up at most; more come from timers and from painting
//   (the raster engine fills large areas on a pool of threads).
// - paints: widgets painted (paint events) during the operation; longest:
//   the longest time the event loop spent handling one event, during which
//   it could answer nothing else (a stall of the program's own).
// - idle rows (3 s, from 1 s after the operation before): CPU share, the program's own share (the time inside the
//   status update's and the caption marquee's tick handlers), status updates
//   per second, wake-ups per second (all threads, and the main thread),
//   timer events per second and preemptions per second (involuntary
//   switches, a sign of a busy machine rather than of the program). The
//   floor window row is a bare window with only the caption marquee,
//   measured in this process before the configurator's window exists: the
//   cost of what an idle window must keep.
// --load adds two busy threads in a child process, so that they compete for
// the CPUs without counting in this process's figures.

#include "emulator/spread.h"
#include "link/qt_serial_link.h"
#include "tools/bench/bare_replay.h"
#include "tools/bench/timed_link.h"
#include "documents/backup_store.h"
#include "ui/branding.h"
#include "ui/caption_marquee.h"
#include "ui/notifier.h"
#include "ui/principale.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quarn;

namespace {

constexpr double bytes_per_second = 240;  // 2400 baud, ten bits a byte
constexpr int idle_ms = 3000;
constexpr int settle_ms = 1000;  // for a window's first paints, or an operation's last
constexpr int operation_timeout_ms = 120'000;
constexpr int button_timeout_ms = 10'000;
// The emulator looks for a client's arrival and departure every 20 ms; a
// client that closes and opens again sooner goes unnoticed.
constexpr int reconnect_gap_ms = 200;

const char* const transfer_rows[] = {"connect+read", "Programma", "UHF defaults", "VHF defaults"};
const char* const idle_rows[] = {"idle connected", "idle not connected", "floor window"};
constexpr double guard_nominal_ms = TransmitterSession::reply_guard_ms;

// ---- command line ----------------------------------------------------------

struct Options {
  int runs = 1;
  bool load = false;
  bool paced = true;
  bool click = false;  // press the buttons with click() rather than their accessible action
  QString emulator = QStringLiteral(QUARN_EMULATOR_PATH);
  QString emulator_log;  // where the emulator's traffic log goes; a scratch file when empty
};

[[noreturn]] void usage(int status) {
  std::fprintf(status == 0 ? stdout : stderr,
               "Usage: quarn-bench [--runs N] [--load] [--no-pacing] [--click] [--emulator PATH] [--emulator-log FILE]\n"
               "  --runs N        repeat every row N times; medians and the worst run are shown\n"
               "  --load          two busy threads (in a child process) compete for the CPUs\n"
               "  --no-pacing     the emulator's line takes no time (quick)\n"
               "  --click         press the buttons as a mouse click ends, not by their accessible action\n"
               "  --emulator PATH the quarn-emulator to run (default: the one built with this)\n"
               "  --emulator-log FILE  keep the emulator's traffic log (every byte, timed) there\n");
  std::exit(status);
}

// By hand, before any QApplication exists (it would need the platform set first).
Options parse_options(int argc, char* argv[]) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") usage(0);
    if (arg == "--load") {
      options.load = true;
    } else if (arg == "--no-pacing") {
      options.paced = false;
    } else if (arg == "--click") {
      options.click = true;
    } else if (arg == "--runs" && i + 1 < argc) {
      options.runs = std::atoi(argv[++i]);
      if (options.runs < 1) usage(2);
    } else if (arg == "--emulator" && i + 1 < argc) {
      options.emulator = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == "--emulator-log" && i + 1 < argc) {
      options.emulator_log = QString::fromLocal8Bit(argv[++i]);
    } else {
      std::fprintf(stderr, "quarn-bench: unknown option %s\n", arg.c_str());
      usage(2);
    }
  }
  return options;
}

// ---- load and process figures --------------------------------------------

// Counts for ever; the atomic keeps the compiler from dropping the loop.
[[noreturn]] void spin() {
  std::atomic<unsigned long> count{0};
  for (;;) count.fetch_add(1, std::memory_order_relaxed);
}

// A child with two threads that never sleep; it dies with the benchmark.
pid_t start_load() {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::thread second(spin);
    spin();
  }
  return pid;
}

void stop_load(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

struct Usage {
  qint64 wall_ns;
  double cpu_s;
  long voluntary;       // context switches of all threads: went to sleep, woken later
  long involuntary;     // preempted while running
  long main_voluntary;  // the voluntary switches of the calling (main) thread
};

Usage usage_now(const QElapsedTimer& clock) {
  rusage r{};
  ::getrusage(RUSAGE_SELF, &r);
  rusage main{};
  ::getrusage(RUSAGE_THREAD, &main);
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return {clock.nsecsElapsed(), seconds(r.ru_utime) + seconds(r.ru_stime), r.ru_nvcsw, r.ru_nivcsw, main.ru_nvcsw};
}

// The first line of a text file that begins with `prefix`. Read whole: files
// under /proc report no size, so reading them line by line until atEnd() stops at once.
QString first_line_of(const QString& path, const char* prefix) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  for (const QByteArray& line : file.readAll().split('\n'))
    if (line.startsWith(prefix)) return QString::fromLocal8Bit(line).trimmed();
  return {};
}

// ---- event-driven waits ----------------------------------------------------

// Runs the event loop until `holds` is true or the time is up. The condition is
// checked at once and then after every poke: an event of a watched widget
// (shown, hidden, enabled or disabled), or any call of poke(). Each check is
// queued, so the handler that caused it has finished when it runs.
class Waiter : public QObject {
 public:
  explicit Waiter(std::function<bool()> holds) : holds_(std::move(holds)) {
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] { loop_.exit(1); });
  }

  void watch(QObject* object) { object->installEventFilter(this); }

  void poke() {
    if (check_queued_) return;
    check_queued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          check_queued_ = false;
          if (holds_()) loop_.exit(0);
        },
        Qt::QueuedConnection);
  }

  bool wait(int timeout_ms) {
    if (holds_()) return true;
    timeout_.start(timeout_ms);
    const bool held = loop_.exec() == 0;
    timeout_.stop();
    return held;
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::EnabledChange:
        poke();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  std::function<bool()> holds_;
  QEventLoop loop_;
  QTimer timeout_;
  bool check_queued_ = false;
};

void pause_ms(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

// Answers every box at once and counts it; the program goes on as if the
// operator had pressed OK.
class CountingNotifier : public Notifier {
 public:
  void beep() override { ++beeps; }
  void message(const QString& text, Icon) override {
    ++boxes;
    last_text = text;
    if (on_message) on_message();
  }
  // Every press of the bench is meant: a factory set whatever the unit read.
  bool question(const QString&, bool) override { return true; }
  QString chooseFileToSave(const QString&) override { return {}; }
  QString chooseFileToOpen(const QString&) override { return {}; }

  int boxes = 0;
  int beeps = 0;
  QString last_text;
  std::function<void()> on_message;
};

// Watches one of the window's timers without adding one: the time each tick
// takes in the window's handlers. The event filter sees the timer's event
// before its handlers run; the connection, made after the window's own, runs
// after them.
class TickProbe : public QObject {
 public:
  TickProbe(const QTimer& timer, const QElapsedTimer& clock) : clock_(clock) {
    const_cast<QTimer&>(timer).installEventFilter(this);
    connect(&timer, &QTimer::timeout, this, [this] { tickEnded(); });
  }
  void restart() { ticks_ns_.clear(); }
  const std::vector<qint64>& ticksNs() const { return ticks_ns_; }
  qint64 handlersNs() const { return std::accumulate(ticks_ns_.begin(), ticks_ns_.end(), qint64(0)); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Timer) start_ns_ = clock_.nsecsElapsed();
    return false;
  }

 private:
  void tickEnded() { ticks_ns_.push_back(clock_.nsecsElapsed() - start_ns_); }

  const QElapsedTimer& clock_;
  std::vector<qint64> ticks_ns_;
  qint64 start_ns_ = 0;
};

// Every event the program handles passes through notify(): it counts them
// by kind and notes the longest handling of one event at the outermost
// level, while the event loop could serve nothing else. It adds no wake-up.
class CensusApplication : public QApplication {
 public:
  struct Counts {
    long timers = 0;
    long paints = 0;
    qint64 longest_ns = 0;
  };

  CensusApplication(int& argc, char** argv, const QElapsedTimer& clock) : QApplication(argc, argv), clock_(clock) {}

  // The counts since the last call.
  Counts take() { return std::exchange(counts_, {}); }
  qint64 ownNs() const { return own_ns_; }

  bool notify(QObject* receiver, QEvent* event) override {
    if (event->type() == QEvent::Timer) ++counts_.timers;
    if (event->type() == QEvent::Paint) ++counts_.paints;
    if (depth_ > 0) return QApplication::notify(receiver, event);
    ++depth_;
    const qint64 start = clock_.nsecsElapsed();
    const bool handled = QApplication::notify(receiver, event);
    const qint64 end = clock_.nsecsElapsed();
    --depth_;
    counts_.longest_ns = std::max(counts_.longest_ns, end - start);
    own_ns_ += clock_.nsecsElapsed() - end;
    return handled;
  }

 private:
  const QElapsedTimer& clock_;
  Counts counts_;
  int depth_ = 0;
  qint64 own_ns_ = 0;
};

// The time a widget was last hidden: the end of an operation, for the guard
// after its last reply.
class HideClock : public QObject {
 public:
  HideClock(QWidget& widget, const QElapsedTimer& clock) : clock_(clock) { widget.installEventFilter(this); }
  qint64 lastHiddenNs() const { return hidden_ns_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide) hidden_ns_ = clock_.nsecsElapsed();
    return false;
  }

 private:
  const QElapsedTimer& clock_;
  qint64 hidden_ns_ = 0;
};

// ---- one measurement -------------------------------------------------------

struct TransferRun {
  int bytes = 0;
  double wall_s = 0;
  double limit_s = 0;
  double ratio = 0;
  double floor_ratio = 0;  // the bare client's, over the same exchanges
  double net_ratio = 0;    // 1 + what the window took beyond the bare client, over the limit
  std::vector<bench::Exchange> exchanges;
  std::vector<double> turnaround_ms;
  std::vector<double> guard_ms;
  int received = 0;  // bytes that arrived
  double press_ms = 0;
  double cpu_percent = 0;
  double probe_percent = 0;
  double wakeups_per_s = 0;
  double main_wakeups_per_byte = 0;  // per byte received
  double paints = 0;
  double longest_ms = 0;
  int boxes = 0;
};

struct IdleRun {
  double seconds = 0;
  double cpu_percent = 0;
  double own_percent = 0;  // in the status update's and the marquee's handlers
  double status_per_s = 0;
  double wakeups_per_s = 0;
  double main_wakeups_per_s = 0;
  double timers_per_s = 0;
  double preemptions_per_s = 0;
  int boxes = 0;
};

// From the events the port noted during one operation, and the time it
// ended: its span on the wire, the program's turnarounds and the guards. A
// command after a reply is a turnaround, unless a sequence started between
// them: then that gap is a guard.
TransferRun analyse(const std::vector<bench::TimedLink::Event>& events, std::size_t from, qint64 end_ns) {
  using Kind = bench::TimedLink::Kind;
  TransferRun run;
  std::size_t first = from;
  while (first < events.size() && events[first].kind != Kind::Written) ++first;
  if (first == events.size()) return run;
  qint64 last_arrival = events[first].ns;
  qint64 guards_ns = 0;
  bool replied = false;        // a reply came since the last command
  bool sequence_began = false;  // and a sequence started since that reply
  for (std::size_t i = first; i < events.size(); ++i) {
    const bench::TimedLink::Event& event = events[i];
    run.bytes += event.bytes;
    switch (event.kind) {
      case Kind::Arrived:
        run.received += event.bytes;
        last_arrival = event.ns;
        replied = true;
        sequence_began = false;
        break;
      case Kind::SequenceStarted:
        sequence_began = replied;
        break;
      case Kind::Written:
        if (replied) {
          const qint64 gap = event.ns - last_arrival;
          if (sequence_began) {
            run.guard_ms.push_back(double(gap) / 1e6);
            guards_ns += gap;
          } else {
            run.turnaround_ms.push_back(double(gap) / 1e6);
          }
        }
        replied = false;
        sequence_began = false;
        break;
    }
  }
  if (end_ns > last_arrival) run.guard_ms.push_back(double(end_ns - last_arrival) / 1e6);
  run.wall_s = double(last_arrival - events[first].ns - guards_ns) / 1e9;
  run.limit_s = run.bytes / bytes_per_second;
  run.ratio = run.limit_s > 0 ? run.wall_s / run.limit_s : 0;
  return run;
}

// This process over an idle pause of idle_ms.
IdleRun measure_idle(CensusApplication& census, const QElapsedTimer& clock) {
  census.take();
  const Usage start = usage_now(clock);
  pause_ms(idle_ms);
  const Usage end = usage_now(clock);
  const CensusApplication::Counts counts = census.take();
  IdleRun run;
  run.seconds = double(end.wall_ns - start.wall_ns) / 1e9;
  run.cpu_percent = 100 * (end.cpu_s - start.cpu_s) / run.seconds;
  run.wakeups_per_s = double(end.voluntary - start.voluntary) / run.seconds;
  run.main_wakeups_per_s = double(end.main_voluntary - start.main_voluntary) / run.seconds;
  run.timers_per_s = double(counts.timers - 1) / run.seconds;  // the pause's own timer fires once
  run.preemptions_per_s = double(end.involuntary - start.involuntary) / run.seconds;
  return run;
}

// The idle floor: a window with nothing but what the configurator's must keep
// while idle, the same caption scrolling every 150 ms, measured in this
// process before the configurator's window exists. What the configurator
// costs beyond it is its own.
IdleRun floor_window_idle(CensusApplication& census, const QElapsedTimer& clock) {
  QWidget window;
  window.setWindowTitle(branding::vendor_line());
  new CaptionMarquee(window);
  window.show();
  pause_ms(settle_ms);
  return measure_idle(census, clock);
}

class Bench {
 public:
  // The window must be shown: its caption marquee starts then.
  Bench(Principale& window, bench::TimedLink& link, CountingNotifier& notifier, CensusApplication& census,
        const QElapsedTimer& clock, bool click)
      : window_(window),
        link_(link),
        notifier_(notifier),
        census_(census),
        clock_(clock),
        click_(click),
        state_(window.findChild<QLineEdit*>(QStringLiteral("txb_stato_con"))),
        progress_(window.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))),
        status_(window.statusTimer(), clock),
        marquee_(*window.findChild<QTimer*>(QStringLiteral("Tmr_scritte")), clock),
        hidden_(*progress_, clock) {}

  QString failure() const { return failure_; }

  std::optional<TransferRun> transfer(const char* button_name) {
    QAbstractButton* button = buttonNamed(button_name);
    if (!button || !waitUntilEnabled(button)) return std::nullopt;
    const std::size_t from = link_.events().size();
    const int boxes_before = notifier_.boxes;
    const auto first_write = [this, from]() -> std::optional<qint64> {
      const auto& events = link_.events();
      for (std::size_t i = from; i < events.size(); ++i)
        if (events[i].kind == bench::TimedLink::Kind::Written) return events[i].ns;
      return std::nullopt;
    };
    Waiter started([&] { return first_write().has_value(); });
    const auto poking = QObject::connect(&link_, &bench::TimedLink::wrote, &started, [&started] { started.poke(); });

    const qint64 probes_before = probesNs();
    census_.take();
    const Usage start = usage_now(clock_);
    press(button);
    const bool wrote = started.wait(button_timeout_ms);
    QObject::disconnect(poking);
    if (!wrote) return fail(QStringLiteral("%1 sent nothing").arg(button_name));
    Waiter finished([this] {
      return progress_->isHidden() && state_->text() == state_text::connected && !window_.session().busy();
    });
    finished.watch(progress_);
    notifier_.on_message = [&finished] { finished.poke(); };
    const bool done = finished.wait(operation_timeout_ms);
    notifier_.on_message = nullptr;
    const Usage end = usage_now(clock_);
    const CensusApplication::Counts counts = census_.take();
    if (!done) return fail(QStringLiteral("%1 did not finish").arg(button_name));

    TransferRun run = analyse(link_.events(), from, hidden_.lastHiddenNs());
    run.exchanges = bench::exchanges_of(link_.events(), from, link_.events().size());
    const double seconds = double(end.wall_ns - start.wall_ns) / 1e9;
    run.press_ms = double(*first_write() - start.wall_ns) / 1e6;
    run.cpu_percent = 100 * (end.cpu_s - start.cpu_s) / seconds;
    run.probe_percent = 100 * double(probesNs() - probes_before) / 1e9 / seconds;
    run.wakeups_per_s = double(end.voluntary - start.voluntary) / seconds;
    run.main_wakeups_per_byte = run.received > 0 ? double(end.main_voluntary - start.main_voluntary) / run.received : 0;
    run.paints = double(counts.paints);
    run.longest_ms = double(counts.longest_ns) / 1e6;
    run.boxes = notifier_.boxes - boxes_before;
    return run;
  }

  // From a settling time after the operation's end: its last paints (the
  // fields a read filled, the bar hidden) are the operation's, not idle.
  IdleRun idle() {
    pause_ms(settle_ms);
    const int boxes_before = notifier_.boxes;
    status_.restart();
    marquee_.restart();
    IdleRun run = measure_idle(census_, clock_);
    run.own_percent = 100 * double(status_.handlersNs() + marquee_.handlersNs()) / 1e9 / run.seconds;
    run.status_per_s = double(status_.ticksNs().size()) / run.seconds;
    run.boxes = notifier_.boxes - boxes_before;
    return run;
  }

  bool disconnect() {
    QAbstractButton* button = buttonNamed("Cmd_disconetti");
    if (!button || !waitUntilEnabled(button)) return false;
    button->click();
    if (state_->text() != state_text::not_connected) {
      fail(QStringLiteral("Disconetti did not end the session"));
      return false;
    }
    pause_ms(reconnect_gap_ms);
    return true;
  }

  // The same exchanges again, by the bare client, on the port the window has
  // let go; then the emulator is given time to see the client leave.
  bool replayFloor(const QByteArray& device, const std::vector<TransferRun*>& runs) {
    {
      bench::BareClient client(device);
      if (!client.isOpen() || !client.awaitReady()) {
        fail(QStringLiteral("the bare client found no ready device on %1").arg(QString::fromLocal8Bit(device)));
        return false;
      }
      for (TransferRun* run : runs) {
        const std::optional<qint64> wall_ns = client.replay(run->exchanges, clock_);
        if (!wall_ns) {
          fail(QStringLiteral("the bare client's replay went out of step"));
          return false;
        }
        const double floor_s = double(*wall_ns) / 1e9;
        run->floor_ratio = floor_s / run->limit_s;
        run->net_ratio = 1 + (run->wall_s - floor_s) / run->limit_s;
      }
    }
    pause_ms(reconnect_gap_ms);
    return true;
  }

  bool waitUntilEnabled(QAbstractButton* button) {
    Waiter enabled([button] { return button->isEnabled(); });
    enabled.watch(button);
    if (enabled.wait(button_timeout_ms)) return true;
    fail(QStringLiteral("%1 stayed disabled").arg(button->objectName()));
    return false;
  }

 private:
  QAbstractButton* buttonNamed(const char* name) {
    auto* button = window_.findChild<QAbstractButton*>(QLatin1String(name));
    if (!button) fail(QStringLiteral("no button %1").arg(QLatin1String(name)));
    return button;
  }

  // As an assistive technology presses it, or as a mouse click ends.
  void press(QAbstractButton* button) {
    if (click_) return button->click();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    if (accessible && accessible->actionInterface()) {
      accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    } else {
      fail(QStringLiteral("%1 has no accessible action").arg(button->objectName()));
    }
  }

  qint64 probesNs() const { return link_.noting_ns() + census_.ownNs(); }

  std::nullopt_t fail(const QString& why) {
    if (failure_.isEmpty()) failure_ = why;
    return std::nullopt;
  }

  Principale& window_;
  bench::TimedLink& link_;
  CountingNotifier& notifier_;
  CensusApplication& census_;
  const QElapsedTimer& clock_;
  const bool click_;
  QLineEdit* state_;
  QProgressBar* progress_;
  TickProbe status_;
  TickProbe marquee_;
  HideClock hidden_;
  QString failure_;
};

// ---- figures over the runs -------------------------------------------------

double median_of(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[(values.size() - 1) / 2];
}

double worst_of(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

template <typename Run>
std::vector<double> column(const std::vector<Run>& runs, double Run::*field) {
  std::vector<double> values;
  for (const Run& run : runs) values.push_back(run.*field);
  return values;
}

double rounded(double value, int digits) {
  const double scale = std::pow(10.0, digits);
  return std::round(value * scale) / scale;
}

struct TransferRow {
  int bytes;
  double limit_s, wall_s, ratio, floor_ratio, net_ratio, press_ms, cpu_percent, probe_percent, wakeups_per_s, main_wakeups_per_byte, paints,
      longest_ms;
  Spread turnaround;
  Spread guard;  // count: guards per run
  int boxes;
};

TransferRow median_row(const std::vector<TransferRun>& runs) {
  std::vector<double> pooled;
  std::vector<double> guards;
  std::vector<double> bytes;
  int boxes = 0;
  for (const TransferRun& run : runs) {
    pooled.insert(pooled.end(), run.turnaround_ms.begin(), run.turnaround_ms.end());
    guards.insert(guards.end(), run.guard_ms.begin(), run.guard_ms.end());
    bytes.push_back(run.bytes);
    boxes += run.boxes;
  }
  Spread guard = spread_of(guards);
  guard.count /= runs.size();
  const int median_bytes = int(median_of(bytes));
  return {median_bytes,
          median_bytes / bytes_per_second,
          median_of(column(runs, &TransferRun::wall_s)),
          median_of(column(runs, &TransferRun::ratio)),
          median_of(column(runs, &TransferRun::floor_ratio)),
          median_of(column(runs, &TransferRun::net_ratio)),
          median_of(column(runs, &TransferRun::press_ms)),
          median_of(column(runs, &TransferRun::cpu_percent)),
          median_of(column(runs, &TransferRun::probe_percent)),
          median_of(column(runs, &TransferRun::wakeups_per_s)),
          median_of(column(runs, &TransferRun::main_wakeups_per_byte)),
          median_of(column(runs, &TransferRun::paints)),
          median_of(column(runs, &TransferRun::longest_ms)),
          spread_of(pooled),
          guard,
          boxes};
}

// Each figure's worst run.
Spread worst_spread(const Spread& a, const Spread& b) {
  return {std::max(a.count, b.count), std::max(a.median, b.median), std::max(a.p99, b.p99), std::max(a.max, b.max)};
}

TransferRow worst_row(const std::vector<TransferRun>& runs) {
  Spread turnaround;
  Spread guard;
  std::vector<double> bytes;
  int boxes = 0;
  for (const TransferRun& run : runs) {
    turnaround = worst_spread(turnaround, spread_of(run.turnaround_ms));
    guard = worst_spread(guard, spread_of(run.guard_ms));
    bytes.push_back(run.bytes);
    boxes = std::max(boxes, run.boxes);
  }
  const int most_bytes = int(worst_of(bytes));
  return {most_bytes,
          most_bytes / bytes_per_second,
          worst_of(column(runs, &TransferRun::wall_s)),
          worst_of(column(runs, &TransferRun::ratio)),
          worst_of(column(runs, &TransferRun::floor_ratio)),
          worst_of(column(runs, &TransferRun::net_ratio)),
          worst_of(column(runs, &TransferRun::press_ms)),
          worst_of(column(runs, &TransferRun::cpu_percent)),
          worst_of(column(runs, &TransferRun::probe_percent)),
          worst_of(column(runs, &TransferRun::wakeups_per_s)),
          worst_of(column(runs, &TransferRun::main_wakeups_per_byte)),
          worst_of(column(runs, &TransferRun::paints)),
          worst_of(column(runs, &TransferRun::longest_ms)),
          turnaround,
          guard,
          boxes};
}

void print_transfer_line(const char* name, const TransferRow& row) {
  std::printf("%-14s %5d %7.4f %7.4f %6.3f %6.3f %6.3f  %6.3f %6.3f %6.3f %8.2f %6.2f %6.3f %7.1f %6.2f %6.0f %7.2f %5d\n",
              name, row.bytes, row.limit_s, row.wall_s, row.ratio, row.floor_ratio, row.net_ratio, row.turnaround.median, row.turnaround.p99,
              row.turnaround.max, row.press_ms, row.cpu_percent, row.probe_percent, row.wakeups_per_s,
              row.main_wakeups_per_byte, row.paints, row.longest_ms, row.boxes);
}

void print_guard_line(const char* name, const TransferRow& row) {
  std::printf("%-20s %8zu %8.3f %8.3f %8.3f\n", name, row.guard.count, row.guard.median, row.guard.p99,
              row.guard.max);
}

QJsonObject spread_json(const Spread& spread) {
  return {{"count", qint64(spread.count)},
          {"median", rounded(spread.median, 4)},
          {"p99", rounded(spread.p99, 4)},
          {"max", rounded(spread.max, 4)}};
}

QJsonObject transfer_json(const TransferRow& row) {
  return {{"bytes", row.bytes},
          {"wire_limit_s", rounded(row.limit_s, 4)},
          {"wall_s", rounded(row.wall_s, 4)},
          {"ratio", rounded(row.ratio, 4)},
          {"bare_client_ratio", rounded(row.floor_ratio, 4)},
          {"net_ratio", rounded(row.net_ratio, 4)},
          {"turnaround_ms", spread_json(row.turnaround)},
          {"guard_ms", spread_json(row.guard)},
          {"press_to_first_byte_ms", rounded(row.press_ms, 3)},
          {"cpu_percent", rounded(row.cpu_percent, 2)},
          {"probe_percent", rounded(row.probe_percent, 4)},
          {"wakeups_per_s", rounded(row.wakeups_per_s, 1)},
          {"main_wakeups_per_received_byte", rounded(row.main_wakeups_per_byte, 3)},
          {"paints", row.paints},
          {"longest_event_ms", rounded(row.longest_ms, 3)},
          {"boxes", row.boxes}};
}

struct IdleRow {
  double cpu_percent, own_percent, status_per_s, wakeups_per_s, main_wakeups_per_s, timers_per_s, preemptions_per_s;
  int boxes;
};

IdleRow idle_row(const std::vector<IdleRun>& runs, double (*pick)(const std::vector<double>&)) {
  int boxes = 0;
  for (const IdleRun& run : runs) boxes += run.boxes;
  return {pick(column(runs, &IdleRun::cpu_percent)),       pick(column(runs, &IdleRun::own_percent)),
          pick(column(runs, &IdleRun::status_per_s)),      pick(column(runs, &IdleRun::wakeups_per_s)),
          pick(column(runs, &IdleRun::main_wakeups_per_s)), pick(column(runs, &IdleRun::timers_per_s)),
          pick(column(runs, &IdleRun::preemptions_per_s)), boxes};
}

double median_ref(const std::vector<double>& values) { return median_of(values); }

QJsonObject idle_json(const IdleRow& row) {
  return {{"seconds", idle_ms / 1000.0},
          {"cpu_percent", rounded(row.cpu_percent, 3)},
          {"own_percent", rounded(row.own_percent, 4)},
          {"status_updates_per_s", rounded(row.status_per_s, 1)},
          {"wakeups_per_s", rounded(row.wakeups_per_s, 1)},
          {"main_wakeups_per_s", rounded(row.main_wakeups_per_s, 1)},
          {"timer_events_per_s", rounded(row.timers_per_s, 1)},
          {"preemptions_per_s", rounded(row.preemptions_per_s, 1)},
          {"boxes", row.boxes}};
}

void print_json(QJsonObject object) {
  std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

// A backups folder as a technician's is after many runs: as many backups as
// are kept, so that each new one also retires the oldest.
bool fill_backups(const QString& folder) {
  if (!QDir().mkpath(folder)) return false;
  for (int i = 0; i < backup_keep_count; ++i) {
    QFile file(QDir(folder).filePath(QString::asprintf("2020-01-01_%06d_code-1_uhf.json", i)));
    if (!file.open(QIODevice::WriteOnly) || file.write("{}\n") != 3) return false;
  }
  return true;
}

QString machine_line() {
  QString model = first_line_of(QStringLiteral("/proc/cpuinfo"), "model name");
  model = model.section(QLatin1Char(':'), 1).trimmed();
  utsname system{};
  ::uname(&system);
  QFile loadavg(QStringLiteral("/proc/loadavg"));
  QString load;
  if (loadavg.open(QIODevice::ReadOnly)) load = QString::fromLatin1(loadavg.readAll()).section(QLatin1Char(' '), 0, 2);
  return QStringLiteral("%1 CPUs (%2), Linux %3, load average %4")
      .arg(std::thread::hardware_concurrency())
      .arg(model, QString::fromLatin1(system.release), load);
}

}  // namespace

int main(int argc, char* argv[]) {
  const Options options = parse_options(argc, argv);
  const pid_t load = options.load ? start_load() : 0;

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QElapsedTimer clock;
  clock.start();
  int app_argc = 1;
  CensusApplication app(app_argc, argv, clock);
  QApplication::setApplicationName(QStringLiteral("quarn-bench"));

  QTemporaryDir scratch;
  const QString emulator_log =
      options.emulator_log.isEmpty() ? scratch.filePath(QStringLiteral("emulator.log")) : options.emulator_log;
  QProcess emulator;
  emulator.setStandardErrorFile(emulator_log);
  emulator.start(options.emulator, options.paced ? QStringList{} : QStringList{QStringLiteral("--no-pacing")});
  bool started = emulator.waitForStarted(60'000);
  while (started && !emulator.canReadLine()) started = emulator.waitForReadyRead(60'000);
  if (!started) {
    std::fprintf(stderr, "quarn-bench: cannot start %s\n", qPrintable(options.emulator));
    stop_load(load);
    return 1;
  }
  const QByteArray device = emulator.readLine().trimmed();
  qputenv("QUARN_COM1", device);

  std::printf("quarn-bench: %d run%s, line %s, %s\n", options.runs, options.runs == 1 ? "" : "s",
              options.paced ? "paced at 2400 baud (240 bytes/s)" : "unpaced", options.load ? "two busy threads" : "no added load");
  std::printf("machine: %s at start\n", qPrintable(machine_line()));
  std::printf("emulator: %s on %s\n", qPrintable(options.emulator), device.constData());
  const QString backups_folder = scratch.filePath(QStringLiteral("backups"));
  if (!fill_backups(backups_folder)) {
    std::fprintf(stderr, "quarn-bench: cannot fill %s\n", qPrintable(backups_folder));
    stop_load(load);
    return 1;
  }
  std::printf("backups: %s, %d kept before the first run\n", qPrintable(backups_folder), backup_keep_count);
  std::printf("buttons pressed %s\n", options.click ? "with click(), as a mouse click ends" : "by their accessible action");
  std::fflush(stdout);

  std::map<std::string, std::vector<IdleRun>> idles;
  for (int run = 0; run < options.runs; ++run) idles["floor window"].push_back(floor_window_idle(app, clock));

  QtSerialLink port;
  bench::TimedLink link(port, clock);
  CountingNotifier notifier;
  BackupStore backups(backups_folder);
  TransmitterSession session(link);
  session.setBackupHook(backups.hook());
  Principale window(session, notifier);
  QObject::connect(&window.session(), &TransmitterSession::stepsStarted, &link, &bench::TimedLink::noteSequenceStart);
  window.show();
  Bench bench(window, link, notifier, app, clock, options.click);

  std::map<std::string, std::vector<TransferRun>> transfers;
  bool complete = true;
  for (int run = 0; run < options.runs && complete; ++run) {
    const auto measure = [&](const char* row, const char* button) {
      const std::optional<TransferRun> figures = bench.transfer(button);
      if (figures) transfers[row].push_back(*figures);
      return figures.has_value();
    };
    complete = measure("connect+read", "Cmd_connetti");
    if (complete) idles["idle connected"].push_back(bench.idle());
    complete = complete && measure("Programma", "cmd_programma") && measure("UHF defaults", "Cmd_init_uhf") &&
               measure("VHF defaults", "Cmd_init_vhf") && bench.disconnect();
    if (complete) idles["idle not connected"].push_back(bench.idle());
    if (complete) {
      std::vector<TransferRun*> this_run;
      for (const char* row : transfer_rows) this_run.push_back(&transfers[row].back());
      complete = bench.replayFloor(device, this_run);
    }
  }
  window.close();

  emulator.terminate();
  emulator.waitForFinished(5000);
  stop_load(load);

  std::printf("machine: %s at end\n\n", qPrintable(machine_line()));
  const auto print_transfers = [&](const char* title, TransferRow (*row_of)(const std::vector<TransferRun>&)) {
    std::printf("%s\n%-14s %5s %7s %7s %6s %6s %6s  %-20s %8s %6s %6s %7s %6s %6s %7s %5s\n", title, "", "bytes",
                "limit s", "wall s", "ratio", "bare", "net", "turnaround ms m/p99/max", "press ms", "CPU %", "probes", "wake/s",
                "wake/B", "paints", "longest", "boxes");
    for (const char* name : transfer_rows)
      if (transfers.count(name)) print_transfer_line(name, row_of(transfers[name]));
    std::printf("\nGuards after a sequence's last reply (%.0f ms listening; not in the ratios), ms:\n%-20s %8s %8s %8s %8s\n",
                guard_nominal_ms, "", "per run", "median", "p99", "max");
    for (const char* name : transfer_rows)
      if (transfers.count(name)) print_guard_line(name, row_of(transfers[name]));
  };
  const QString runs_title = options.runs == 1 ? QStringLiteral("one run") : QStringLiteral("medians of %1 runs").arg(options.runs);
  print_transfers(qPrintable(QStringLiteral("Operations (%1):").arg(runs_title)), median_row);
  if (options.runs > 1) print_transfers("\nOperations, worst run (turnaround: each figure's worst run):", worst_row);

  std::printf("\nIdle, %d s each (%s):\n%-20s %8s %8s %9s %11s %12s %9s %14s %5s\n", idle_ms / 1000,
              qPrintable(runs_title), "", "CPU %", "own %", "status/s", "wake-ups/s", "main wake/s", "timers/s",
              "preemptions/s", "boxes");
  for (const char* name : idle_rows) {
    if (!idles.count(name)) continue;
    const auto print_idle_line = [](const char* title, const IdleRow& r) {
      std::printf("%-20s %8.3f %8.4f %9.1f %11.1f %12.1f %9.1f %14.1f", title, r.cpu_percent, r.own_percent,
                  r.status_per_s, r.wakeups_per_s, r.main_wakeups_per_s, r.timers_per_s, r.preemptions_per_s);
    };
    const IdleRow row = idle_row(idles[name], median_ref);
    print_idle_line(name, row);
    std::printf(" %5d\n", row.boxes);
    if (options.runs > 1) {
      print_idle_line("  worst run", idle_row(idles[name], worst_of));
      std::printf("\n");
    }
  }

  const QString pacing = first_line_of(emulator_log, "-- pacing:");
  const QRegularExpressionMatch figures =
      QRegularExpression(QStringLiteral("(\\d+) bytes late by median ([\\d.]+) ms, p99 ([\\d.]+) ms, max ([\\d.]+) ms"))
          .match(pacing);
  std::printf("\nEmulator %s\n", figures.hasMatch() ? qPrintable(pacing.mid(3)) : "pacing: not reported");
  rusage own{};
  ::getrusage(RUSAGE_SELF, &own);
  const double peak_mb = double(own.ru_maxrss) / 1024;  // kilobytes on Linux
  std::printf("Peak memory of this process (window, serial layer and the bench's records): %.1f MB\n", peak_mb);
  if (!bench.failure().isEmpty()) std::printf("\nFAILED: %s\n", qPrintable(bench.failure()));
  if (notifier.boxes > 0) std::printf("\nFAILED: %d message box(es), the last \"%s\"\n", notifier.boxes, qPrintable(notifier.last_text));

  std::printf("\n");
  const QJsonObject common{{"runs", options.runs}, {"paced", options.paced}, {"load", options.load}};
  const auto with_common = [&](QJsonObject object) {
    for (auto it = common.begin(); it != common.end(); ++it) object.insert(it.key(), it.value());
    return object;
  };
  for (const char* name : transfer_rows) {
    if (!transfers.count(name)) continue;
    QJsonObject object = transfer_json(median_row(transfers[name]));
    object.insert("row", QLatin1String(name));
    object.insert("worst", transfer_json(worst_row(transfers[name])));
    print_json(with_common(object));
  }
  for (const char* name : idle_rows) {
    if (!idles.count(name)) continue;
    QJsonObject object = idle_json(idle_row(idles[name], median_ref));
    object.insert("row", QLatin1String(name));
    object.insert("worst", idle_json(idle_row(idles[name], worst_of)));
    print_json(with_common(object));
  }
  QJsonObject pacing_row{{"row", "emulator pacing"}, {"reported", figures.hasMatch()}};
  if (figures.hasMatch()) {
    pacing_row.insert("bytes", figures.captured(1).toInt());
    pacing_row.insert("late_ms", QJsonObject{{"median", figures.captured(2).toDouble()},
                                             {"p99", figures.captured(3).toDouble()},
                                             {"max", figures.captured(4).toDouble()}});
  }
  print_json(with_common(pacing_row));
  print_json(with_common({{"row", "peak memory"}, {"mb", rounded(peak_mb, 1)}}));
  return complete && notifier.boxes == 0 ? 0 : 1;
}
