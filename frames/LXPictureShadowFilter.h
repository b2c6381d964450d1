#pragma once
// Lays a ready-made shadow picture under a photo. Its margins are written
// into its file name as two numbers "horizontal-vertical" in its pixels:
//   Shadows/ALX-S#001#Soft#40-30.png
// The picture is scaled so that its width without the horizontal margin
// equals the photo's width, and moved so that the margin corner lands on
// the photo's origin (bottom left); the photo is drawn over it.
//
// inputShadowName: a resource name; setting it loads the picture and margin
// and rewrites the name to the file's canonical name. Null clears both; a name
// that finds no file logs a "Warning: " line and clears them; a file whose
// name does not give two numbers logs an "Error: " line and keeps the shadow
// loaded before. Without a shadow picture, or with a margin as wide as the
// picture, the output is the photo.
// Main thread.

#include "filters/LXFilter.h"

#include <QSizeF>
#include <QTransform>

#include <optional>

class LXPictureShadowFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputShadowName READ inputShadowName WRITE setInputShadowName)
    Q_PROPERTY(QVariant shadowImage MEMBER shadowImage)
    Q_PROPERTY(QVariant shadowMargin MEMBER shadowMargin)
public:
    Q_INVOKABLE explicit LXPictureShadowFilter(QObject* parent = nullptr);

    QVariant inputImage;   // CIImage: the photo
    QVariant shadowImage;  // CIImage or null
    QVariant shadowMargin; // QSizeF: margins in the shadow picture's pixels

    QVariant inputShadowName() const { return m_shadowName; }
    void setInputShadowName(const QVariant& name);

    // The shadow resources of the bundle, made once.
    static const QStringList& shadowList();

    // Where the shadow picture goes under a photo of extent `photo`; null
    // when the picture is no wider than its margin or the photo has no area.
    static std::optional<QTransform> shadowTransform(const QRectF& photo, const QSizeF& margin, const QRectF& shadow);

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;

private:
    QVariant m_shadowName;
};
