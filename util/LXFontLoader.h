#pragma once
// Registers the fonts shipped with the application for this process, so that
// interface files and controls can name them like installed fonts. Called
// before the first interface file loads.
//
// An entry is found as the bundle's resource "<name>.<ext>" in "fonts", then
// at the top level, then as an absolute path; a relative name the bundle
// lacks is never read (the working directory is not ours to trust).
// Thread: main thread (needs a QGuiApplication).

#include "platform/foundation/Bundle.h"

#include <QString>
#include <QStringList>

#include <optional>

struct FontLoaderError {
    int code = 0;
    QString localizedDescription; // "File missing: <entry>\n" lines and the like
};

class LXFontLoader {
public:
    // Registers every ".ttf" of the bundle "Fonts" in `bundle`; problems give
    // "Warning: Problems during loading Fonts!\n<report>". No bundle: nothing.
    static void loadFontsBundle(const Bundle& bundle = Bundle::mainBundle());

    // Registers each entry in order; none when all succeeded. A failed
    // registration also logs "Error: <why>". A file registered before fails.
    static std::optional<FontLoaderError> loadLocalFonts(const QStringList& entries,
                                                           const Bundle& bundle = Bundle::mainBundle());
};
