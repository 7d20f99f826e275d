#pragma once
// quarnctl's commands, one file each. A command prints what it found on
// standard output and its progress and notes on standard error, and ends with
// its exit status, or with the failure that stopped it. command_table.cpp
// gives each its name, syntax and options.

#include "cli/exit_code.h"
#include "cli/steps.h"

namespace quarn::cli::command {

Result<int> ports(const Invocation& invocation);
Result<int> read(const Invocation& invocation);
Result<int> program(const Invocation& invocation);
Result<int> defaults(const Invocation& invocation);
Result<int> test_tx(const Invocation& invocation);
Result<int> check(const Invocation& invocation);
Result<int> diff(const Invocation& invocation);
Result<int> batch(const Invocation& invocation);
Result<int> backups(const Invocation& invocation);

}  // namespace quarn::cli::command
