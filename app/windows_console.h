#pragma once
// quarn-configurator is a Windows GUI program: it has no console of its own,
// so what --help and --version print would be lost when it is started from
// a Command Prompt or PowerShell.

namespace quarn {

// Sends standard output and error to the console the program was started
// from, unless they already lead somewhere (a file, a pipe).
void use_parent_console();

}  // namespace quarn
