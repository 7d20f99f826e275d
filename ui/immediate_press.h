#pragma once
// Command buttons pressed by an assistive technology (a screen reader, a
// switch device, an automation tool) through their accessible "Press" action.
// Qt's own accessible button answers that action with animateClick(), which
// holds the button down for 100 ms before it clicks: every command pressed
// that way started 100 ms late. These buttons click at once instead, as a
// mouse click does when it ends, on the next pass of the event loop so that
// the caller is never held by what the command does (a message box);
// everything else they tell is Qt's.

class QAbstractButton;

namespace quarn {

// From now on `button`'s accessible "Press" clicks it at once, queued. Call it before
// the button is shown, before an assistive technology can hold on to the
// interface it had.
void press_at_once_when_accessible(QAbstractButton& button);

}  // namespace quarn
