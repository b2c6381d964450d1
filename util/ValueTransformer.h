#pragma once
// Value transformers: a value shown differently from how it is stored, and
// read back. Registered by name so interface files can name them (Qt has no
// registry of its own); the framework's own ("LXTimeValueTransformer",
// "LXNegateValueTransformer") are there from the first look-up.
// null: an invalid QVariant, "no value". Ownership: the registry owns the
// transformers, made once and never freed. Thread: main thread.

#include <QString>
#include <QVariant>

#include <memory>

class ValueTransformer {
public:
    virtual ~ValueTransformer() = default;
    virtual QVariant transformedValue(const QVariant& value) const = 0;
    virtual bool allowsReverseTransformation() const { return false; }
    // null when the value cannot be read back (the stored value stays).
    virtual QVariant reverseTransformedValue(const QVariant&) const { return {}; }

    // Registers (or replaces) the transformer of that name.
    static void setValueTransformer(std::shared_ptr<ValueTransformer> transformer, const QString& name);
    // The transformer of that name, or nullptr.
    static ValueTransformer* valueTransformerForName(const QString& name);
};
