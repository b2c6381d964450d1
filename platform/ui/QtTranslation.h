#pragma once
// Qt's own texts (the buttons of its dialogs, the file dialog, the context
// menus of text fields) in the language the application's own texts are
// shown in, so that a window never mixes two languages.
//
// The interface language is the first of the preferred languages that the
// bundle has a "<lang>.lproj" folder for ("en" when none has). Qt's catalogue
// for it is "qtbase_<lang>.qm" in Qt's translations folder
// (QLibraryInfo::TranslationsPath; Debian: qt6-translations-l10n).
// Thread: main thread, after the QCoreApplication is made.

#include "platform/foundation/Bundle.h"

#include <QString>

// The language the bundle's texts are shown in: "de", "en", ...
QString interfaceLanguage(const Bundle& bundle = Bundle::mainBundle());

// Loads Qt's catalogue for the interface language and installs it on the
// application, in place of one installed for another language (the
// translator is the application's child). True when Qt now speaks that
// language: English needs no catalogue. False, with one "Warning: " line,
// when the catalogue is missing.
bool installQtTranslation(const Bundle& bundle = Bundle::mainBundle());
