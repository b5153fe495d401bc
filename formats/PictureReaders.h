// The readers of our own formats, registered with the format registry at
// start-up (before any window exists) and removed again at shutdown.
#pragma once

namespace pelmora {

// Appends the readers' 28 extensions in their fixed order.
void RegisterPictureReaders();
// Removes the reader classes (and classes derived from them) again.
void UnregisterPictureReaders();

} // namespace pelmora
