#pragma once
// The base of every image filter. A filter is a QObject whose inputs are
// Q_PROPERTYs of type QVariant named "input..." (inputImage, inputRadius ...),
// so that they are read and written by name:
//
//     class MyFilter : public CIFilter {
//         Q_OBJECT
//         Q_PROPERTY(QVariant inputImage MEMBER inputImage)
//         Q_PROPERTY(QVariant inputRadius MEMBER inputRadius)
//     public:
//         Q_INVOKABLE explicit MyFilter(QObject* parent = nullptr) : CIFilter(parent) {}
//         QVariant inputImage, inputRadius;      // invalid QVariant = null
//         QVariantMap customAttributes() const override;
//         CIImage outputImage() override;
//     };
//
// An input never set is an invalid QVariant (null), not zero. Values are held
// as QVariant: images as CIImage, numbers as double (bool for flags),
// positions and rectangles as CIVector, colours as CIColor, transforms as
// QTransform, names as QString.
//
// Filters are shared (std::shared_ptr) and used on the main thread only.
// No operation throws; failures log one line and give null.
//
// valueForKey, setValue and attributes are virtual, so a filter whose keys
// are not properties (a group of filters exporting inner keys) can answer
// them; state a read changes (caches, wiring) is `mutable` in such classes.

#include "platform/image/CIColor.h"
#include "platform/image/CIImage.h"
#include "platform/image/CIKernel.h"
#include "platform/image/CIVector.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

// Attribute keys and values (as the platform names them).
inline const QString kCIAttributeFilterName = QStringLiteral("CIAttributeFilterName");
inline const QString kCIAttributeFilterDisplayName = QStringLiteral("CIAttributeFilterDisplayName");
inline const QString kCIAttributeFilterCategories = QStringLiteral("CIAttributeFilterCategories");
inline const QString kCIAttributeClass = QStringLiteral("CIAttributeClass");
inline const QString kCIAttributeDefault = QStringLiteral("CIAttributeDefault");
inline const QString kCIAttributeIdentity = QStringLiteral("CIAttributeIdentity");
inline const QString kCIAttributeMin = QStringLiteral("CIAttributeMin");
inline const QString kCIAttributeMax = QStringLiteral("CIAttributeMax");
inline const QString kCIAttributeSliderMin = QStringLiteral("CIAttributeSliderMin");
inline const QString kCIAttributeSliderMax = QStringLiteral("CIAttributeSliderMax");
inline const QString kCIAttributeType = QStringLiteral("CIAttributeType");
inline const QString kCIAttributeTypeDistance = QStringLiteral("CIAttributeTypeDistance");
inline const QString kCIAttributeTypeScalar = QStringLiteral("CIAttributeTypeScalar");
inline const QString kCIAttributeTypeAngle = QStringLiteral("CIAttributeTypeAngle");
inline const QString kCIAttributeTypeBoolean = QStringLiteral("CIAttributeTypeBoolean");
inline const QString kCIAttributeTypeRectangle = QStringLiteral("CIAttributeTypeRectangle");
inline const QString kCIAttributeTypeColor = QStringLiteral("CIAttributeTypeColor");
inline const QString kCIAttributeTypeImage = QStringLiteral("CIAttributeTypeImage");
inline const QString kCIAttributeTypeTransform = QStringLiteral("CIAttributeTypeTransform");
// Input and output keys.
inline const QString kCIInputImageKey = QStringLiteral("inputImage");
inline const QString kCIInputBackgroundImageKey = QStringLiteral("inputBackgroundImage");
inline const QString kCIInputRadiusKey = QStringLiteral("inputRadius");
inline const QString kCIInputAngleKey = QStringLiteral("inputAngle");
inline const QString kCIInputColorKey = QStringLiteral("inputColor");
inline const QString kCIInputExtentKey = QStringLiteral("inputExtent");
inline const QString kCIInputTransformKey = QStringLiteral("inputTransform");
inline const QString kCIInputScaleKey = QStringLiteral("inputScale");
inline const QString kCIOutputImageKey = QStringLiteral("outputImage");

class CIFilter : public QObject {
    Q_OBJECT
public:
    // Makes the filter registered under `name` (the name is passed so that
    // one constructor can serve many names); nullptr when it cannot.
    using Constructor = std::function<std::shared_ptr<CIFilter>(const QString& name)>;

    explicit CIFilter(QObject* parent = nullptr);
    ~CIFilter() override;

    // A new filter of a built-in or registered name with no input set (call
    // setDefaults() for the declared defaults); nullptr for an unknown name
    // (no message). Registered names win over built-ins of the same name.
    static std::shared_ptr<CIFilter> filterWithName(const QString& name);
    // Registers (or replaces) a name; classAttributes join attributes().
    static void registerFilterName(const QString& name, Constructor constructor,
                                   const QVariantMap& classAttributes = {});
    // Every name filterWithName knows, sorted.
    static QStringList filterNames();

    // The name the filter was made under (its class name when made directly).
    QString name() const;
    void setName(const QString& name) { m_name = name; }
    // A number of this object alone, never given to another filter in the
    // process (addresses are reused after delete; serials are not). A copy
    // gets a serial of its own.
    quint64 serial() const { return m_serial; }

    // Reads an input (or "outputImage") by key or key path ("a.b.inputColor",
    // through properties that hold filters or other QObjects). Invalid
    // QVariant for null, and for a key that does not exist (with a warning).
    Q_INVOKABLE virtual QVariant valueForKey(const QString& key) const;
    // Writes an input by key or key path; an invalid QVariant sets null.
    // A key that does not exist logs a warning and is ignored.
    Q_INVOKABLE virtual void setValue(const QVariant& value, const QString& key);

    // The attribute dictionary: kCIAttributeFilterName, the class attributes
    // of the registration, and per input key what customAttributes() declares.
    virtual QVariantMap attributes() const;
    // Per input key a map of kCIAttribute... entries. The base declares none.
    virtual QVariantMap customAttributes() const;
    // Sets each declared input with a kCIAttributeDefault to that default.
    virtual void setDefaults();
    // The names of the "input..." properties, in declaration order.
    virtual QStringList inputKeys() const;
    virtual QStringList outputKeys() const;
    // The result of the current inputs; null in the base.
    virtual CIImage outputImage();

    // A new filter of the same class and name with the same inputs (values
    // are shared, they are immutable). The class needs a Q_INVOKABLE
    // constructor taking a QObject* parent; nullptr (logged) without one.
    virtual std::shared_ptr<CIFilter> copy() const;

    // Applies a kernel routine (the common shape): samplers first, then
    // numbers, vectors and colours; options kCIApplyOptionExtent,
    // kCIApplyOptionDefinition, kCIApplyOptionUserInfo and
    // kCIApplyOptionAlphaOf; the kernel's
    // ROI callback. null kernel: null, no message.
    CIImage apply(const CIKernelPtr& kernel, const QVariantList& arguments, const QVariantMap& options = {}) const;
    CIImage apply(const CIKernelPtr& kernel, const QRectF& extent, CIKernel::ROICallback roi,
                  const QVariantList& arguments, const QVariantMap& options = {}) const;

    // Reading QVariant inputs: null (or another type) gives the fallback.
    static CIImage imageValue(const QVariant& value);
    static double numberValue(const QVariant& value, double fallback);
    static bool boolValue(const QVariant& value, bool fallback = false);
    static CIVector vectorValue(const QVariant& value);
    static CIColor colorValue(const QVariant& value);
    static QTransform transformValue(const QVariant& value);

private:
    QString m_name;
    quint64 m_serial;
};
