#pragma once
// The window speaks Japanese whatever the locale: the texts Qt itself puts in
// a window, above all the standard buttons of every box (はい, いいえ,
// キャンセル; OK stays OK), come from Qt's own Japanese translation,
// qtbase_ja.qm, in Qt's folder of translations (Debian's
// qt6-translations-l10n).

namespace korvalo {

// Installs Qt's Japanese translation in the running application; without it
// (not installed), says so on the terminal, and the buttons stay English.
// Returns whether it was installed.
bool speakJapanese();

}  // namespace korvalo
