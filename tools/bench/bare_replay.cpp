#include "tools/bench/bare_replay.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace quarn::bench {

namespace {
// Far longer than any reply takes, far shorter than a run.
constexpr int reply_timeout_ms = 2000;
constexpr char ready_letter = 'K';
}  // namespace

std::vector<Exchange> exchanges_of(const std::vector<TimedLink::Event>& events, std::size_t from, std::size_t to) {
  std::vector<Exchange> exchanges;
  for (std::size_t i = from; i < to && i < events.size(); ++i) {
    const TimedLink::Event& event = events[i];
    if (event.kind == TimedLink::Kind::Written) exchanges.push_back({event.written, 0});
    if (event.kind == TimedLink::Kind::Arrived && !exchanges.empty()) exchanges.back().reply_bytes += event.bytes;
  }
  return exchanges;
}

BareClient::BareClient(const QByteArray& device) {
  fd_ = ::open(device.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) return;
  termios settings{};
  if (::tcgetattr(fd_, &settings) == 0) {
    ::cfmakeraw(&settings);
    ::tcsetattr(fd_, TCSANOW, &settings);
  }
  ::tcflush(fd_, TCIOFLUSH);
}

BareClient::~BareClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool BareClient::awaitReady() {
  for (int attempt = 0; attempt < 8; ++attempt) {
    char byte = 0;
    pollfd device{fd_, POLLIN, 0};
    if (::poll(&device, 1, reply_timeout_ms) <= 0) return false;
    if (::read(fd_, &byte, 1) == 1 && byte == ready_letter) return true;
  }
  return false;
}

std::optional<qint64> BareClient::take(int count, const QElapsedTimer& clock) {
  qint64 arrival = 0;
  char buffer[64];
  while (count > 0) {
    pollfd device{fd_, POLLIN, 0};
    const int ready = ::poll(&device, 1, reply_timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    const ssize_t got = ::read(fd_, buffer, size_t(std::min<int>(count, sizeof buffer)));
    if (got <= 0) return std::nullopt;
    arrival = clock.nsecsElapsed();
    count -= int(got);
  }
  return arrival;
}

std::optional<qint64> BareClient::replay(const std::vector<Exchange>& exchanges, const QElapsedTimer& clock) {
  if (exchanges.empty()) return std::nullopt;
  qint64 first_write = -1;
  qint64 last_arrival = 0;
  for (const Exchange& exchange : exchanges) {
    const qint64 now = clock.nsecsElapsed();
    if (::write(fd_, exchange.command.constData(), size_t(exchange.command.size())) != exchange.command.size())
      return std::nullopt;
    if (first_write < 0) first_write = now;
    if (exchange.reply_bytes == 0) continue;
    const std::optional<qint64> arrival = take(exchange.reply_bytes, clock);
    if (!arrival) return std::nullopt;
    last_arrival = *arrival;
  }
  // A byte more than the window received would have shifted every reply.
  pollfd device{fd_, POLLIN, 0};
  if (::poll(&device, 1, 0) > 0) return std::nullopt;
  return last_arrival - first_write;
}

}  // namespace quarn::bench
