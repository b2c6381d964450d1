#pragma once
// A look: how the photo is styled before the artistic extension is made
// around it, so the extension follows the styled photo. In order of
// application: an optional crop, an optional turn, a chain of effects and an
// optional frame. A plain look (isPlain) leaves the photo untouched, so the
// plain wallpaper stays byte for byte what it was.
//
// Stored form (propertyList, a "Save Look..." file, the "look" user default):
//   {"effects": [effect settings...], "frame": effect settings,
//    "crop": [x, y, w, h], "rotation": degrees}
// Effect settings are LXEffect::settings() maps ("name" is the effect's
// identifier); the frame is the settings of one of the frame effects
// ("Frame" with "inputFrameName": a textured frame of the frames catalog,
// "Border": a shaped border, "PictureFrame" with "inputFrameName": a picture
// frame). Every key may be missing: it reads as "none".
// crop: fractions of the photo's width and height, from its top-left corner,
// inside 0..1 with a positive size; a null rectangle means no crop.
// rotation: degrees, counter-clockwise (as the rotation ring turns), about
// the photo's centre; the turned photo's bounding box is what follows.
//
// Failures: fromPropertyList and readFile say what was wrong in words that
// name the key or effect (an unknown effect, an unknown key, a value out of
// range or of the wrong type, a crop outside 0..1, a file that does not
// parse); nothing is half-read. Thread: main thread (effects are made).

#include "platform/foundation/Result.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

struct Look {
    QVariantList effects; // effect settings, in chain order
    QVariantMap frame;    // settings of a frame effect; empty: no frame
    QRectF crop;          // fractions, top-left origin; null: the whole photo
    double rotation = 0;  // degrees, counter-clockwise

    bool isPlain() const;
    bool operator==(const Look& other) const;
    bool operator!=(const Look& other) const { return !(*this == other); }

    QVariantMap propertyList() const;
    static Result<Look> fromPropertyList(const QVariant& list);

    // A look file (XML property list), written atomically; failures name the
    // path. `shown` (may be null) gets the failure in words for an alert that
    // names the file itself: the system's reason, or a fixed sentence that
    // the bundle translates.
    static Result<Look> readFile(const QString& path, QString* shown = nullptr);
    Result<> writeFile(const QString& path, QString* shown = nullptr) const;

    // The look remembered in the settings ("look"); a damaged value gives
    // one "Warning: " line and the plain look, and leaves the other settings
    // alone. save writes it (a plain look removes the key).
    static Look fromUserDefaults();
    void saveToUserDefaults() const;
};

// One entry of the Frame menu and of --list-frames.
struct LookFrameChoice {
    QString identifier;  // what --frame takes; stable across languages
    QString displayName; // localized
    QVariantMap settings; // Look::frame for this choice
};

// None is not in the list; picture frames first, then the frames catalog's
// frames, then the shaped border.
QList<LookFrameChoice> lookFrameChoices();
