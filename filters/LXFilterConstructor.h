#pragma once
// Registers the kit's filters with the engine from a description dictionary
//   { "CIPlugInFilterList": { listName: { "CIFilterClass": className, ... } } }
// so that CIFilter::filterWithName finds each filter under its class name and
// under its list name, and creates filters of a registered name.
// Classes are found among those the kit declares (registerClass); an unknown
// name gives nullptr without a message. Main thread.

#include "filters/LXFilter.h"

#include <QVariantMap>

#include <memory>

class LXFilterConstructor {
public:
    static LXFilterConstructor& sharedFilterConstructor();
    static void registerFilterInDescription(const QVariantMap& description)
    {
        sharedFilterConstructor().registerDescription(description);
    }

    void registerDescription(const QVariantMap& description);
    // The first description whose "CIFilterClass" is `className`, or empty.
    QVariantMap descriptionForClassName(const QString& className) const;
    // A new filter of the class the description under `name` (or the one for
    // the class named `name`) names; nullptr when there is none.
    std::shared_ptr<CIFilter> filterWithName(const QString& name) const;

    const QVariantMap& filterDescriptions() const { return m_descriptions; }

    // Makes a class creatable by name; the kit's classes are declared on
    // first use of the shared constructor.
    static void registerClass(const QMetaObject& cls);

private:
    LXFilterConstructor();
    QVariantMap m_descriptions;
};
