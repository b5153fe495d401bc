// Questions and signals the ground floor gives the user without knowing of
// windows. The program sets the handlers (a warning box with OK and Cancel,
// the platform beep); until then every question is answered OK and the beep
// is silent, which is what the command-line tool and the tests need.
#pragma once

#include <functional>
#include <string>

namespace pelmora {

// Returns true for OK, false for Cancel.
using ConfirmationHandler = std::function<bool(const std::string& question)>;
using BeepHandler = std::function<void()>;

// An empty handler restores the default.
void SetConfirmationHandler(ConfirmationHandler handler);
void SetBeepHandler(BeepHandler handler);

// Asks `question` through the handler; true when the answer is OK.
bool Confirm(const std::string& question);
void Beep();

} // namespace pelmora
