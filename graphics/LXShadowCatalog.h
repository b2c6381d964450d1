#pragma once
// Named drop shadows ("TextWhite0px", ...) from the application's
// "Shadows.plist": name -> { "color", "offset.x", "offset.y", "radius",
// "textColor" }, each optional. A missing or unreadable list gives a catalog
// that knows no names. Unknown names give no shadow (std::nullopt) and no
// text colour (an invalid QColor); callers keep their own.
// Main thread.

#include "platform/ui/Shadow.h"

#include <QColor>
#include <QString>
#include <QVariantMap>

#include <optional>

class LXShadowCatalog {
public:
    // The application's catalog, read once on first use and never freed.
    static LXShadowCatalog& sharedShadowCatalog();

    // Reads the list at `path`.
    explicit LXShadowCatalog(const QString& path);

    static std::optional<Shadow> shadowWithDescritption(const QVariant& description);

    std::optional<Shadow> shadowWithName(const QString& name) const;
    QColor textColorForShadowWithName(const QString& name) const;
    bool knows(const QString& name) const { return m_shadows.contains(name); }

private:
    QVariantMap m_shadows;
};
