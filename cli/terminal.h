#pragma once
// quarnctl's two outputs, and what it asks the system about them and about a
// device, the same on Linux and on Windows.

#include <QString>

namespace quarn::cli {

// Writes `text` (UTF-8) on standard output or standard error at once.
void out(const QString& text);
void err(const QString& text);

// Standard error is a terminal: progress is drawn there only then.
bool standard_error_is_terminal();

// This user may read and write `device`. Every user may open a COM port on
// Windows.
bool may_open(const QString& device);

}  // namespace quarn::cli
