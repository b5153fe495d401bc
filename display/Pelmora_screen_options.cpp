// The options command: the options dialog shown modally, a change of the
// full-screen mode applied to the display window, then the browser's rebuild.
#include "Pelmora_screen.h"

#include "app/BrowserLink.h"
#include "app/Guarded.h"

namespace pelmora {

void TForm2::Options1Click(QObject* sender)
{
    bool wasFullScreen = browser_->IsFullScreenView();
    if (!browser_->RunOptionsDialog())
        return;
    if (browser_->IsFullScreenView() != wasFullScreen) {
        // A window's style changes only while it is hidden: the display
        // window closes and opens the focused entry again in the new mode.
        // Run from its own menu it is always open; run by the browser's
        // button it may be open beside the browser (windowed), and then it
        // is reopened too, instead of keeping the old style until its next close.
        Q_UNUSED(sender);
        bool reopen = isVisible();
        if (reopen)
            close();
        ApplyWindowStyle();
        // A file that cannot be read is reported; the options still apply.
        if (reopen)
            Guarded([this] { browser_->OpenFocusedEntry(); });
    }
    browser_->ApplyOptions();
}

} // namespace pelmora
