#pragma once
// quarnctl from its arguments to its exit status: the command line read, the
// trace opened, the command run, its failure said, a stop signal named.

#include <QStringList>

namespace quarn::cli {

// `arguments` as main() receives them, program name first.
int run(const QStringList& arguments);

}  // namespace quarn::cli
