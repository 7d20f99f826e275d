#pragma once
// What the process holds: resident memory, open file descriptors, live
// QObjects and their timers; sampled between cycles, compared after warm-up.

#include <QString>

namespace quarn::soak {

struct ResourceFigures {
  long resident_kib = 0;  // /proc/self/statm
  int descriptors = 0;    // entries of /proc/self/fd
  int objects = 0;
  int timers = 0;
};

ResourceFigures sample_resources();
// "rss 41234 KiB, fds 9, QObjects 312, timers 4"
QString describe(const ResourceFigures& figures);

// How much each figure may grow from the end of the warm-up to the end.
struct GrowthTolerance {
  long resident_kib;  // negative: not checked (a sanitizer's quarantine grows by design)
  int descriptors;
  int objects;
  int timers;
};
// The figures that grew past the tolerance, described; empty when none did.
QString growth_beyond(const ResourceFigures& warm, const ResourceFigures& end, const GrowthTolerance& tolerance);

}  // namespace quarn::soak
