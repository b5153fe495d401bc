#include "Confirmation.h"

namespace pelmora {

namespace {

ConfirmationHandler& CurrentConfirmation()
{
    static ConfirmationHandler handler;
    return handler;
}

BeepHandler& CurrentBeep()
{
    static BeepHandler handler;
    return handler;
}

} // namespace

void SetConfirmationHandler(ConfirmationHandler handler)
{
    CurrentConfirmation() = std::move(handler);
}

void SetBeepHandler(BeepHandler handler)
{
    CurrentBeep() = std::move(handler);
}

bool Confirm(const std::string& question)
{
    const ConfirmationHandler& handler = CurrentConfirmation();
    return handler ? handler(question) : true;
}

void Beep()
{
    if (const BeepHandler& handler = CurrentBeep())
        handler();
}

} // namespace pelmora
