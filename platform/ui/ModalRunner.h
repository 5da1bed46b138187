#pragma once
// Every modal window of the program is shown through here, so that a test
// can play the user's part instead of blocking in a nested event loop.
#include <functional>

class QDialog;

// Shows the dialog modally and returns its result (QDialog::exec by
// default).
int execModal(QDialog& dialog);

// Replaces how modal windows are run; an empty function restores exec().
using TModalRunner = std::function<int(QDialog& dialog)>;
void setModalRunner(TModalRunner runner);
