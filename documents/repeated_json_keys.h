#pragma once
// QJsonDocument keeps one of two equal keys of an object and drops the other
// without a word; a settings file must not say one thing twice.

#include <QByteArray>
#include <QString>

#include <optional>

namespace quarn {

// The first key that an object of `json` names a second time, as a dotted
// path from the top ("settings.code"; an object inside an array takes the
// array's path). Keys are compared as decoded, so "co\u0064e" is "code".
// `json` must be a JSON text that QJsonDocument has accepted.
std::optional<QString> first_repeated_key(const QByteArray& json);

}  // namespace quarn
