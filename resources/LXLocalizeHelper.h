#pragma once
// A process-wide table of single-string overrides, consulted before the main
// bundle's "Localizable" table: catalogs rename an identifier's display name
// here without touching the strings files. The widget translators that use
// it live in ui/localization.
//
// null: a null replacement removes the override; a null source is ignored.
// Thread: main thread.

#include <QString>

class LXLocalizeHelper {
public:
    // Stores the pair; a null replacement removes `source`'s entry; a null source does nothing.
    static void setLocalizedString(const QString& replacement, const QString& source);
    // The main bundle's "Localizable" string for the override of `source`, or for `source` itself.
    static QString localizedString(const QString& source);
};
