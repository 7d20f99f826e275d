// load_settings of any bytes: never crashes; refuses with a reason or
// accepts with none; and a file it accepts, written out again by to_json,
// loads back as the same file.

#include "fuzz_check.h"
#include "documents/settings_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const quarn::SettingsLoad load = quarn::load_settings(bytes);
  FUZZ_CHECK(load.file.has_value() != load.refusal.has_value());
  if (!load.file) return 0;

  const QByteArray written = quarn::to_json(*load.file);
  const quarn::SettingsLoad again = quarn::load_settings(written);
  if (!again.file || !(*again.file == *load.file)) {
    std::fprintf(stderr, "written again:\n%s\nrefusal: fault %d, key \"%s\"\n", written.constData(),
                 again.refusal ? static_cast<int>(again.refusal->fault) : -1,
                 again.refusal ? again.refusal->key.toUtf8().constData() : "");
  }
  FUZZ_CHECK(again.file.has_value());
  FUZZ_CHECK(*again.file == *load.file);
  return 0;
}
