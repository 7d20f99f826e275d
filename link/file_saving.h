#pragma once
// What every file the program saves goes through (settings files, backups,
// the traffic trace, a batch report): the target checked before anything
// opens it, and each write carried through to its last byte or to the
// system's reason for stopping.

#include <QByteArrayView>
#include <QFileDevice>
#include <QString>

#include <optional>

namespace quarn {

// True when `path` names nothing yet or a regular file (a symbolic link is
// followed to what it names): a save may create or replace it. A pipe, a
// device or a folder is never opened for a save (a pipe waits for a reader)
// nor replaced by a regular file (an atomic save renames over its target).
bool may_save_at(const QString& path);

// Writes all of `bytes` to `file`, opened with QIODevice::Unbuffered. A write
// cut short (the disk filled part-way through it) is carried on, so that
// the write that fails gives the system's reason: a buffered file's flush
// would report such a short write as an unknown error. The reason, when not
// every byte was written.
std::optional<QString> write_whole(QFileDevice& file, QByteArrayView bytes);

}  // namespace quarn
