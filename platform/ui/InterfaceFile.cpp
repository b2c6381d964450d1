#include "platform/ui/InterfaceFile.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/ui/TargetAction.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMetaProperty>
#include <QSet>
#include <QUiLoader>
#include <QWidget>

namespace {

// Qt's own messages while a file loads, turned into our one-line form.
QStringList* qtMessages = nullptr;
void collectQtMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (qtMessages)
        qtMessages->append(message.trimmed());
}

const char* const kPlaceholderProperty = "_sunnyside_object";

QHash<QString, InterfaceFile::Factory>& registry()
{
    static auto* classes = new QHash<QString, InterfaceFile::Factory>;
    return *classes;
}

class Loader : public QUiLoader {
public:
    explicit Loader(QString file) : m_file(std::move(file)) {}

    QStringList warnings; // ours, written once Qt's messages are ours again

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override
    {
        if (auto it = registry().constFind(className); it != registry().constEnd()) {
            QObject* object = (*it)(parent);
            if (auto* widget = qobject_cast<QWidget*>(object)) {
                widget->setObjectName(name);
                return widget;
            }
            auto* placeholder = new QWidget(parent);
            placeholder->setObjectName(name);
            placeholder->hide();
            if (object) {
                object->setObjectName(name);
                object->setParent(placeholder);
                placeholder->setProperty(kPlaceholderProperty, QVariant::fromValue(object));
            }
            return placeholder;
        }
        if (!knownClasses().contains(className)) {
            warnings.append(QStringLiteral("Warning: interface file %1 names the unknown class %2; "
                                           "a plain widget stands in")
                                .arg(m_file, className));
            auto* widget = new QWidget(parent);
            widget->setObjectName(name);
            return widget;
        }
        return QUiLoader::createWidget(className, parent, name);
    }

private:
    const QSet<QString>& knownClasses()
    {
        static const QSet<QString> known = [this] {
            const QStringList names = availableWidgets();
            return QSet<QString>(names.begin(), names.end());
        }();
        return known;
    }
    QString m_file;
};

// Swaps placeholders for the objects they stand for.
void replacePlaceholders(QWidget* root)
{
    for (QWidget* placeholder : root->findChildren<QWidget*>()) {
        auto* object = placeholder->property(kPlaceholderProperty).value<QObject*>();
        if (!object)
            continue;
        for (const QByteArray& name : placeholder->dynamicPropertyNames())
            if (name != kPlaceholderProperty)
                object->setProperty(name.constData(), placeholder->property(name.constData()));
        object->setParent(placeholder->parentWidget());
        delete placeholder;
    }
}

QObject* findNamed(const QList<QPointer<QObject>>& objects, const QString& name)
{
    for (const QPointer<QObject>& object : objects)
        if (object && object->objectName() == name)
            return object;
    return nullptr;
}

bool setOutlet(QObject* holder, const QMetaProperty& property, QObject* value)
{
    const QMetaObject* wanted = property.metaType().metaObject();
    if (!value || !wanted || !value->metaObject()->inherits(wanted))
        return false;
    return property.write(holder, QVariant::fromValue(value));
}

void connectOutlets(const QString& file, QObject* owner, const QList<QPointer<QObject>>& objects)
{
    if (owner) {
        const QMetaObject* meta = owner->metaObject();
        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (!(property.metaType().flags() & QMetaType::PointerToQObject) || !property.isWritable())
                continue;
            if (QObject* value = findNamed(objects, QString::fromLatin1(property.name())))
                setOutlet(owner, property, value);
        }
    }
    for (const QPointer<QObject>& object : objects) {
        if (!object)
            continue;
        for (const QByteArray& name : object->dynamicPropertyNames()) {
            if (!name.startsWith("outlet."))
                continue;
            const QByteArray outlet = name.mid(7);
            const QString target = object->property(name.constData()).toString();
            const int index = object->metaObject()->indexOfProperty(outlet.constData());
            if (index < 0 || !setOutlet(object, object->metaObject()->property(index), findNamed(objects, target)))
                Log::line(lcUi, QStringLiteral("Warning: interface file %1 cannot connect outlet %2 of %3 to %4")
                                    .arg(file, QString::fromLatin1(outlet), object->objectName(), target));
        }
    }
}

void connectActions(const QString& file, QObject* owner, const QList<QPointer<QObject>>& objects)
{
    for (const QPointer<QObject>& object : objects) {
        if (!object)
            continue;
        const QByteArray action = object->property("action").toByteArray();
        if (action.isEmpty())
            continue;
        if (!TargetAction::responds(owner, action)) {
            Log::line(lcUi, QStringLiteral("Warning: interface file %1: the owner does not respond to %2 of %3")
                                .arg(file, QString::fromLatin1(action), object->objectName()));
            continue;
        }
        const TargetAction targetAction(owner, action);
        QObject* sender = object;
        if (auto* button = qobject_cast<QAbstractButton*>(object))
            QObject::connect(button, &QAbstractButton::clicked, owner, [targetAction, sender] { targetAction.send(sender); });
        else if (auto* item = qobject_cast<QAction*>(object))
            QObject::connect(item, &QAction::triggered, owner, [targetAction, sender] { targetAction.send(sender); });
    }
}

} // namespace

void InterfaceFile::registerClass(const QString& className, Factory factory)
{
    registry().insert(className, std::move(factory));
}

bool InterfaceFile::isRegistered(const QString& className)
{
    return registry().contains(className);
}

InterfaceFile::Result InterfaceFile::load(const QString& name, const Bundle& bundle, QObject* owner, QWidget* parent)
{
    const QString path = bundle.pathForResource(name, QStringLiteral("ui"));
    if (path.isNull())
        return {};
    return loadFile(path, owner, parent);
}

InterfaceFile::Result InterfaceFile::loadFile(const QString& path, QObject* owner, QWidget* parent)
{
    QFile file(path);
    if (!file.exists())
        return {};
    const QString shortName = QFileInfo(path).fileName();
    Loader loader(shortName);
    QStringList messages;
    qtMessages = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(collectQtMessage);
    QWidget* root = file.open(QIODevice::ReadOnly) ? loader.load(&file, parent) : nullptr;
    qInstallMessageHandler(previous);
    qtMessages = nullptr;
    for (const QString& warning : loader.warnings)
        Log::line(lcUi, warning);
    if (!root) {
        QString why = loader.errorString();
        if (why.isEmpty())
            why = messages.isEmpty() ? file.errorString() : messages.join(QLatin1Char(' '));
        Log::line(lcUi, QStringLiteral("Warning: interface file %1 cannot be read: %2").arg(path, why));
        return {};
    }
    for (const QString& message : messages)
        Log::line(lcUi, QStringLiteral("Warning: interface file %1: %2").arg(shortName, message));
    replacePlaceholders(root);

    Result result;
    result.root = root;
    result.objects.append(root);
    for (QObject* child : root->findChildren<QObject*>())
        result.objects.append(child);
    connectOutlets(shortName, owner, result.objects);
    connectActions(shortName, owner, result.objects);

    const QList<QPointer<QObject>> awake = result.objects;
    for (const QPointer<QObject>& object : awake)
        if (object && TargetAction::responds(object, "awakeFromNib"))
            TargetAction::send(object, "awakeFromNib", nullptr);
    if (owner && TargetAction::responds(owner, "awakeFromNib"))
        TargetAction::send(owner, "awakeFromNib", nullptr);
    return result;
}
