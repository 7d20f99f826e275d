#pragma once
// A command line that cannot be obeyed, in the words that say why (exit 2).

#include <QString>

namespace quarn::cli {

struct UsageError {
  QString message;
};

}  // namespace quarn::cli
