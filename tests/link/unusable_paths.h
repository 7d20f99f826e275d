#pragma once
// Paths a technician may give for a port that lead to no serial port at all,
// each with the port error the serial layer reports for it (number and text,
// which the device follows as ": <path>"). The window's and quarnctl's port
// fault tests share them.

#include <QDir>
#include <QFile>
#include <QString>

#include <vector>

namespace quarn::test {

struct UnusablePath {
  const char* name;
  QString error;
  // Makes the path in `folder` (or names one outside it); empty when that failed.
  QString (*make)(const QDir& folder);
};

inline std::vector<UnusablePath> unusable_paths() {
  return {
      {"missing path", "1 No such file or directory", [](const QDir& folder) { return folder.filePath("ttyUSB7"); }},
      {"dangling symbolic link", "1 No such file or directory",
       [](const QDir& folder) {
         const QString link = folder.filePath("usb-FTDI_A-if00-port0");
         return QFile::link(folder.filePath("ttyUSB-gone"), link) ? link : QString();
       }},
      {"regular file", "7 Inappropriate ioctl for device",
       [](const QDir& folder) {
         QFile file(folder.filePath("ttyS-file"));
         return file.open(QIODevice::WriteOnly) && file.write("K") == 1 ? file.fileName() : QString();
       }},
      {"/dev/null", "7 Inappropriate ioctl for device", [](const QDir&) { return QStringLiteral("/dev/null"); }},
      {"directory", "8 Is a directory",
       [](const QDir& folder) { return folder.mkdir("ttyS-folder") ? folder.filePath("ttyS-folder") : QString(); }},
  };
}

}  // namespace quarn::test
