#include "link/file_saving.h"

#include <QFileInfo>

namespace quarn {

bool may_save_at(const QString& path) {
  const QFileInfo info(path);
  return !info.exists() || info.isFile();
}

std::optional<QString> write_whole(QFileDevice& file, QByteArrayView bytes) {
  while (!bytes.isEmpty()) {
    const qint64 written = file.write(bytes.data(), bytes.size());
    if (written <= 0) return file.errorString();
    bytes = bytes.sliced(written);
  }
  return std::nullopt;
}

}  // namespace quarn
