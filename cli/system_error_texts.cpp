#include "cli/system_error_texts.h"

#include <QStringList>

#include <utility>

namespace quarn::cli {
namespace {

// The C library's texts (as strerror gives them) for what opening, reading
// or writing a port or a file can meet, and Qt's own for a port's lock.
constexpr std::pair<const char*, const char*> italian_texts[] = {
    {"No such file or directory", "File o cartella non trovati"},
    {"Permission denied", "Permesso negato"},
    {"Operation not permitted", "Operazione non permessa"},
    {"Is a directory", "È una cartella"},
    {"Not a directory", "Non è una cartella"},
    {"Inappropriate ioctl for device", "Il dispositivo non è una porta seriale"},
    {"No such device", "Dispositivo inesistente"},
    {"No such device or address", "Dispositivo o indirizzo inesistente"},
    {"Device or resource busy", "Dispositivo o risorsa occupati"},
    {"Input/output error", "Errore di input/output"},
    {"Resource temporarily unavailable", "Risorsa temporaneamente non disponibile"},
    {"No space left on device", "Spazio esaurito sul dispositivo"},
    {"Disk quota exceeded", "Quota del disco superata"},
    {"File too large", "File troppo grande"},
    {"Read-only file system", "File system in sola lettura"},
    {"File name too long", "Nome del file troppo lungo"},
    {"Too many levels of symbolic links", "Troppi livelli di collegamenti simbolici"},
    {"Permission error while locking the device", "Permesso negato per il blocco del dispositivo"},
    {"Unknown error", "Errore sconosciuto"},
};

}  // namespace

QString with_italian_system_texts(const QString& message) {
  const QString separator = QStringLiteral(": ");
  QStringList parts = message.split(separator);
  for (QString& part : parts) {
    for (const auto& [english, italian] : italian_texts) {
      if (part == QLatin1String(english)) part = QString::fromUtf8(italian);
    }
  }
  return parts.join(separator);
}

}  // namespace quarn::cli
