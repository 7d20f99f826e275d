#include "tools/soak/resource_figures.h"

#include "tools/soak/live_objects.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace quarn::soak {

namespace {

long resident_kib() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return -1;
  // "size resident shared text lib data dt", in pages.
  const QList<QByteArray> fields = statm.readAll().split(' ');
  if (fields.size() < 2) return -1;
  return fields[1].toLong() * (::sysconf(_SC_PAGESIZE) / 1024);
}

int descriptors() {
  // The listing's own descriptor is among them: a constant offset.
  return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

}  // namespace

ResourceFigures sample_resources() { return {resident_kib(), descriptors(), live_object_count(), live_timer_count()}; }

QString describe(const ResourceFigures& f) {
  return QStringLiteral("rss %1 KiB, fds %2, QObjects %3, timers %4").arg(f.resident_kib).arg(f.descriptors).arg(f.objects).arg(f.timers);
}

QString growth_beyond(const ResourceFigures& warm, const ResourceFigures& end, const GrowthTolerance& tolerance) {
  QStringList grown;
  const auto check = [&grown](const char* name, long before, long after, long allowed) {
    if (allowed >= 0 && after - before > allowed) {
      grown << QStringLiteral("%1 grew by %2 (allowed %3)").arg(QLatin1String(name)).arg(after - before).arg(allowed);
    }
  };
  check("rss KiB", warm.resident_kib, end.resident_kib, tolerance.resident_kib);
  check("fds", warm.descriptors, end.descriptors, tolerance.descriptors);
  check("QObjects", warm.objects, end.objects, tolerance.objects);
  check("timers", warm.timers, end.timers, tolerance.timers);
  return grown.join(QStringLiteral("; "));
}

}  // namespace quarn::soak
