// Qt's own texts in the window's language: the buttons of message boxes
// (是/否/取消) and the file, folder and font dialogs come from Qt, which
// speaks English unless its translation catalogue is loaded. The window is
// Chinese, so Qt's Simplified Chinese catalogue is loaded where the system
// has it (Debian: qt6-translations-l10n); without it Qt stays English and
// nothing else changes.
#pragma once

class QCoreApplication;
class QString;

// Installs Qt's catalogue for the window's language from `folder` (empty:
// Qt's own translations folder); false when it is not there.
bool InstallQtTranslations(QCoreApplication& app, const QString& folder);
bool InstallQtTranslations(QCoreApplication& app);
