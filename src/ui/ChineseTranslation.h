// Qt's own texts (the buttons of message boxes, the file choosers, the edits' context menus) in Simplified Chinese,
// as the rest of the interface is, whatever the desktop's language.
#pragma once

class QCoreApplication;

// Loads Qt's Simplified Chinese translation (Debian's qt6-translations-l10n) into `application`; false when it is
// not installed, in which case Qt's texts stay English and everything else works as before.
bool installChineseTranslation(QCoreApplication& application);
