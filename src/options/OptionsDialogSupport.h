#pragma once

#include "platform/DialogSupport.h"

#include <functional>

namespace netrova {

// What the one-instance options dialogs share around DialogErrors.

// "OK" (runs `ok` under `errors`), "Cancel" (rejects) and "&Help" (runs `help`), connected.
DialogButtons MakeConnectedButtons(QDialog& dialog, DialogErrors& errors, std::function<void()> ok,
                                   std::function<void()> help);

// Runs `activate` under `errors` after the showing; call it from showEvent. Queued: the
// activation may close the dialog, which exec() only notices once its loop runs.
void QueueActivation(QDialog& dialog, DialogErrors& errors, std::function<void()> activate);

// exec(), then the store error of a handler, if any, thrown to the opener.
int ExecDialog(QDialog& dialog, DialogErrors& errors);

} // namespace netrova
