#pragma once
// Filters that exist only for the tests: one holding another filter (for key
// paths), one without a Q_INVOKABLE constructor (cannot be copied).

#include "platform/image/CIFilter.h"

class HolderFilter : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputAmount MEMBER inputAmount)
    Q_PROPERTY(QVariant texturizeFilter MEMBER texturizeFilter)
public:
    Q_INVOKABLE explicit HolderFilter(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputAmount, texturizeFilter;
    QVariantMap customAttributes() const override
    {
        return {{QStringLiteral("inputAmount"),
                 QVariantMap{{kCIAttributeDefault, 0.25}, {kCIAttributeMin, 0.0}, {kCIAttributeType, kCIAttributeTypeScalar}}}};
    }
    CIImage outputImage() override { return imageValue(inputImage); }
};

class UncopyableFilter : public CIFilter {
    Q_OBJECT
public:
    explicit UncopyableFilter(int) {}
};
