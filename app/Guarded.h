// Event handlers throw; the glue that runs them from signals and events
// catches the failure and shows it the way the application shows every
// failure (Application::ShowError). The handler that threw has left its
// state as it was, so nothing else needs undoing.
#pragma once

#include "Application.h"

#include <exception>
#include <utility>

namespace pelmora {

template <class Handler> void Guarded(Handler&& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        Application::ShowError(QString::fromUtf8(e.what()));
    }
}

// A slot for a signal whose arguments the handler does not take.
template <class Handler> auto Guard(Handler handler)
{
    return [handler]() { Guarded(handler); };
}

// A slot for a signal whose arguments the handler takes.
template <class Handler> auto GuardWithArguments(Handler handler)
{
    return [handler](auto... arguments) { Guarded([&] { handler(arguments...); }); };
}

} // namespace pelmora
