#pragma once
// The folder a game started from the desktop plays in.
#include <QString>

namespace korvalo {

// The game reads its sounds and settings from its working folder. Started
// from the desktop, that is a folder of the user's own under the XDG data
// home (~/.local/share/korvalo), made on first start with the sounds copied
// from the installation (<prefix>/share/korvalo). Returns false,
// with the reason in *error, when the folder cannot be made or entered; the
// game then stays in the working folder it was started in.
bool enterUserFolder(QString* error);

}  // namespace korvalo
