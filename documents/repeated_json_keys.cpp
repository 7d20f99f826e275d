#include "documents/repeated_json_keys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <utility>
#include <vector>

namespace quarn {

namespace {

// An object or array still open where the scan stands.
struct Level {
  bool object = false;
  QString path;
  QSet<QString> keys;
  bool key_next = false;  // in an object, the next string is a key
  QString last_key;
};

QString joined(const QString& path, const QString& key) { return path.isEmpty() ? key : path + '.' + key; }

// A string literal, quotes included, decoded by Qt's own reader.
QString decoded(const QByteArray& literal) {
  return QJsonDocument::fromJson('[' + literal + ']').array().at(0).toString();
}

}  // namespace

std::optional<QString> first_repeated_key(const QByteArray& json) {
  std::vector<Level> levels;
  for (qsizetype i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (c == '{' || c == '[') {
      QString path;
      if (!levels.empty()) path = levels.back().object ? joined(levels.back().path, levels.back().last_key) : levels.back().path;
      Level level;
      level.object = c == '{';
      level.path = path;
      level.key_next = level.object;
      levels.push_back(std::move(level));
    } else if ((c == '}' || c == ']') && !levels.empty()) {
      levels.pop_back();
    } else if (c == ',' && !levels.empty()) {
      levels.back().key_next = levels.back().object;
    } else if (c == '"') {
      qsizetype end = i + 1;
      while (end < json.size() && json[end] != '"') end += json[end] == '\\' ? 2 : 1;
      if (!levels.empty() && levels.back().key_next) {
        Level& level = levels.back();
        const QString key = decoded(json.mid(i, end - i + 1));
        if (level.keys.contains(key)) return joined(level.path, key);
        level.keys.insert(key);
        level.last_key = key;
        level.key_next = false;
      }
      i = end;
    }
  }
  return std::nullopt;
}

}  // namespace quarn
