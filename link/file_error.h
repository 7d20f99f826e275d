#pragma once
// A file or folder that could not be used: which one, what went wrong, and
// the system's own words for it. Each front end turns it into a sentence
// (documents/operator_texts.h); nothing below the front ends words it.

#include <QString>

namespace quarn {

enum class FileFault {
  NotRegular,     // a pipe, a device or a folder where a file was to be read
  NotRegularTarget,  // a pipe, a device or a folder where a file was to be saved: left as it is
  NotOpened,      // could not be opened to read
  NotRead,        // opened, but reading failed
  NotSaved,       // a settings file or a backup could not be written whole
  NoFolder,       // no folder is known for the backups
  FolderNotMade,  // the backups folder could not be created
  FolderNotRead,  // the backups folder is there but cannot be listed (a file, a link loop, no permission)
  TraceNotWritten,  // the traffic trace could not be created or written
};

struct FileError {
  FileFault fault = FileFault::NotOpened;
  QString path{};    // the file, or the folder
  QString reason{};  // the system's words; empty where the fault says all

  bool operator==(const FileError&) const = default;
};

}  // namespace quarn
