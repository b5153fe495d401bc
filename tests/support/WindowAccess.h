// The window tests' way inside a window: an accessor class, the window's
// friend, holds references to the window's controls and state under their
// own names, so a test writes `Inside(window).ListView_files`.
#pragma once

namespace pelmora::test {

template <class Form> class WindowAccess {
public:
    explicit WindowAccess(Form& form)
        : form_(form)
    {
    }

protected:
    Form& form_;
};

} // namespace pelmora::test

// One member of the window, by its name.
#define PELMORA_WINDOW_MEMBER(Form, name) decltype(Form::name)& name = form_.name
