#pragma once
// Every texture picture of the application by name. A texture is known by its
// canonical name, the resource identifier name of its file
// ("ALX-T#010#Wood-Light-Knots"), and is also found by its resource ID
// ("ALX-T#010") or its plain name ("Wood-Light-Knots"). The layout options of
// a file name are read once, when the catalog is made (TextureOptions).
// The shared catalog is made on first use and never freed. Main thread.

#include "frames/LXTextureDescription.h"
#include "platform/foundation/Bundle.h"

#include <QHash>
#include <QString>
#include <QStringList>

class LXTextureCatalog {
public:
    // The "jpg" files of the folder of `resourceType` in `bundle`, in listing order.
    explicit LXTextureCatalog(const QString& resourceType, const Bundle& bundle = Bundle::mainBundle());

    // The catalog of "ALX-T" textures of the main bundle.
    static LXTextureCatalog& sharedTextureCatalog();
    // The texture pop-up: "Plain Color", "-", then the textures and the
    // category headers "Paper -" and "Wood -" sorted by their display
    // names. The names are the values the filters take (the pop-up shows
    // them translated): a translated one would be refused as a setting.
    // The shared catalog's, made once.
    static const QStringList& sharedTextureNames();
    static QStringList textureNames(const LXTextureCatalog& catalog);

    void addTextureWithFileName(const QString& path);
    // The texture `name` names in any of the three forms, `name` rewritten
    // to the canonical name; nullptr, with `name` made null, when none.
    // The pointer stays valid as long as the catalog.
    const LXTextureDescription* textureForName(QString& name) const;
    // Canonical names in the order the files were added.
    const QStringList& textureIDNames() const { return m_textureIDNames; }

private:
    QHash<QString, LXTextureDescription> m_details; // canonical name ->
    QHash<QString, QString> m_ids;                   // "ALX-T#010" -> canonical name
    QHash<QString, QString> m_names;                 // "Wood-Light-Knots" -> canonical name
    QStringList m_textureIDNames;
};
