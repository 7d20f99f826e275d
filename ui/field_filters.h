#pragma once
// Typing filters of the value fields. A filter never changes the text: it
// beeps, selects the offending character and gives the field the focus. The
// characters each accepts are config/typed_characters.h's, which the settings
// files and the command line hold their texts to; a digit field's limit is
// its setting's upper limit.

#include <QLineEdit>

namespace quarn {

class Notifier;

// One pass over the field's text: every non-digit beeps and is selected, and
// at every position a numeric value of the text above `limit` selects that
// position and beeps. The pass never stops early.
void run_digit_filter(QLineEdit& field, double limit, Notifier& notifier);

// One pass over FqTx: the first character that is neither a digit nor "."
// is selected and beeps, and the pass ends there.
void run_frequency_filter(QLineEdit& field, Notifier& notifier);

// Run the filter on every change of the text (typed, pasted or set by the
// program, also to empty) and again when the field loses the focus. The
// notifier must outlive the field.
void attach_digit_filter(QLineEdit& field, double limit, Notifier& notifier);
void attach_frequency_filter(QLineEdit& field, Notifier& notifier);

}  // namespace quarn
