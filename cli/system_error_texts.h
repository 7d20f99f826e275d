#pragma once
// The system's own texts inside quarnctl's Italian messages: the serial
// layer and Qt's files report an error as the C library words it, in English
// on a system without translations ("No such file or directory"). The texts
// that a port or a file gives are said in Italian; any other stays as the
// system gave it.

#include <QString>

namespace quarn::cli {

// `message` with each part between ": " that is one of those texts in
// Italian: "Permission denied: /dev/ttyUSB0" is "Permesso negato: /dev/ttyUSB0".
QString with_italian_system_texts(const QString& message);

}  // namespace quarn::cli
