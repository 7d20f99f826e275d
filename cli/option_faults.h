#pragma once
// What makes Qt's parser refuse a command line, found from the options
// defined rather than from the parser's (translatable) error text, and
// worded as quarnctl says it.

#include "cli/usage_error.h"

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

#include <optional>

namespace quarn::cli {

enum class OptionFault { Unknown, MissingValue, UnexpectedValue };

struct OptionRefusal {
  OptionFault fault;
  QString option;  // as the operator wrote it, "-o", "--json"; an unknown one with its dashes
};

// The fault Qt's parser finds in `arguments` (program name first) with
// `options` defined, reading "-name" as "--name": an unknown option before
// any value fault, otherwise the last value fault; none: it parses.
std::optional<OptionRefusal> option_fault(const QStringList& arguments, const QList<QCommandLineOption>& options);

UsageError usage_error(const OptionRefusal& refusal);

}  // namespace quarn::cli
