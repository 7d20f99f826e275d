#pragma once
// What a document operation said, in the operator's words: empty when it
// failed in nothing, so that a failed comparison prints the reason.

#include "documents/operator_texts.h"

#include <optional>

namespace quarn::test {

inline QString said(const SettingsLoad& load) { return load.refusal ? settings_refusal_text(*load.refusal) : QString(); }

inline QString said(const std::optional<FileError>& error) { return error ? file_error_text(*error) : QString(); }

}  // namespace quarn::test
