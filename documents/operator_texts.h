#pragma once
// The operator's words for what the lower layers report typed: a programming
// run's refusals and warning, a settings file refused, a file or folder that
// could not be used, a backup that failed, and the messages both front ends
// show for a port, a read and a write. Each front end takes its texts from
// here where it tells the operator.

#include "config/block_encoding.h"
#include "documents/settings_file.h"
#include "link/file_error.h"
#include "link/serial_link.h"

#include <QString>

#include <optional>

namespace quarn {

inline const QString message_port_failure = "Porta seriale Guasta o Mancante";
inline const QString message_read_error = "Errore di Lettura nei Parametri, Riprovare ";
inline const QString message_time_out = "Errore TIME OUT   ";

// The text that names the refused setting and the range that fits.
QString refusal_text(const Refusal& refusal);

// The warning a run gives before it goes on: the frequency lies outside both
// transmit ranges. None for a run without one.
std::optional<QString> run_warning_text(const ProgrammingRun& run);

// Why a settings file, or a setting's text, was refused, naming the key.
QString settings_refusal_text(const SettingsRefusal& refusal);

// What a pipe, a device or a folder is called where a file was wanted.
inline const QString not_a_regular_file = "non è un file regolare";

// A file or folder that could not be used, with the system's reason.
QString file_error_text(const FileError& error);

// What the technician can do about a port that would not open, as one line
// after the fault: none when the fault says all there is.
std::optional<QString> port_remedy_text(const PortError& error);

// A backup before a write run that could not be saved.
QString backup_failure_text(const FileError& error);

}  // namespace quarn
