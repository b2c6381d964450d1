#pragma once
// The base of the kit's filters. A filter class finds its kernel text by its
// own class name (assets/<ClassName>.cikernel), compiles it once per process,
// and shares the compiled routines among its instances; it declares which
// input keys it reports and which key paths a copy carries over.
//
// Registries (kernels, copy keys, input keys) are keyed by class name, made
// on first use and never freed. A class registers its keys once, from its
// first constructor call:
//     static const bool registered = (registerInputKeys(staticMetaObject, {...}), true);
//
// Subclasses keep each input in a Q_PROPERTY of type QVariant named after the
// input (see CIFilter); a class needs a Q_INVOKABLE constructor taking a
// QObject* parent so that copies and creation by name work.
// Main thread only.

#include "platform/image/CIFilter.h"

#include <QHash>
#include <QRectF>
#include <QStringList>
#include <QVariant>

// The attribute key for the allowed values of a string input.
inline const QString kLXAttributeChoices = QStringLiteral("choices");
// Posted with the filter as object when an editor must show a changed setting.
inline const QString LXFilterSettingsChangedNotification = QStringLiteral("lxfilterSettings");
// Posted with the filter as object when a delayed re-render is due.
inline const QString LXFilterUpdateNotification = QStringLiteral("lxfilterupdate");

class LXFilter : public CIFilter {
    Q_OBJECT
public:
    Q_INVOKABLE explicit LXFilter(QObject* parent = nullptr);

    // Store `keys` for the class `cls` (LXFilter itself: stored under
    // "LXFilter" after a warning, where no subclass finds them).
    static void registerForCopying(const QMetaObject& cls, const QStringList& keyPaths);
    static void registerInputKeys(const QMetaObject& cls, const QStringList& keys);
    static QStringList copyKeysForClass(const QString& className);

    // The class's name, e.g. "LXAdjustableBlendFilter".
    QString className() const { return QString::fromLatin1(metaObject()->className()); }

    // The class's one routine (with several, a warning and one of them);
    // nullptr when the class has no kernel text.
    CIKernelPtr kernel() const;
    // The routine named `name` (a warning and nullptr when there is none;
    // with only one routine, a warning and that routine).
    CIKernelPtr kernelWithName(const QString& name) const;

    // Every routine of a class's kernel text by name (empty without one).
    static QHash<QString, CIKernelPtr> kernelsOfClass(const QString& className);

    // x and y truncated to whole numbers, width and height as floats: the
    // form of the kCIApplyOptionExtent option. An infinite (or out-of-range)
    // rectangle comes back as four doubles, x and y truncated, still infinite.
    static QVariantList arrayForRect(const QRectF& rect);
    static CIVector vectorForRect(const QRectF& rect);
    // `image` as a kernel's sampler argument.
    static QVariant sampler(const CIImage& image);

    // The attribute dictionary of one input; invalid for an undescribed key.
    virtual QVariant settingsForKey(const QString& key) const;

    QStringList inputKeys() const override;
    QStringList outputKeys() const override;
    CIImage outputImage() override;
    // The platform copy, then every registered key path copied over.
    std::shared_ptr<CIFilter> copy() const override;

    // The default an input declares in customAttributes(); invalid when none.
    QVariant attributeDefault(const QString& key) const;
    // An input's number, or (unset) its declared default, else `fallback`:
    // one number for every use of an unset input.
    double numberInput(const QVariant& value, const QString& key, double fallback = 0) const;
    // An input's colour, or (unset) its declared default; null without either.
    CIColor colorInput(const QVariant& value, const QString& key) const;

    // Loads (if not yet cached) the kernel text of `className`; exposed so
    // class initialisers and tests can reach the registry.
    static void loadKernels(const QString& className);
    // The bundle whose resources hold a class's kernel text: the main bundle
    // unless a class (a plug-in's, a test's) was given its own folder.
    static void setBundleForClass(const QString& className, const QString& bundlePath);

protected:
    // `routine` applied to `arguments` with `image`'s definition and extent:
    // the shape of the kit's per-pixel filters. null for a null image or routine.
    // `keepsAlpha`: the routine returns its first sampler's alpha unchanged,
    // so the result is opaque where the image is (a colour change of a photo).
    CIImage applyOverImage(const CIKernelPtr& routine, const CIImage& image, const QVariantList& arguments,
                           bool keepsAlpha = false) const;
};
