#include "ui/localization/LXLocalizeHelper.h"

#include "platform/ui/InterfaceFile.h"

#include <QMenu>
#include <QMenuBar>

namespace {

QString controlsString(const QString& text)
{
    return Bundle::mainBundle().localizedString(text, text, QStringLiteral("Controls"));
}

} // namespace

LXMenuTranslationController::LXMenuTranslationController(QObject* parent) : QObject(parent) {}

const Bundle& LXMenuTranslationController::bundle() const
{
    return m_bundle ? *m_bundle : Bundle::mainBundle();
}

QString LXMenuTranslationController::tableName() const
{
    const QString path = bundle().pathForResource(m_tableName, QStringLiteral("strings"));
    return path.contains(QStringLiteral("en.lproj")) ? QString() : m_tableName;
}

void LXMenuTranslationController::translate()
{
    translateMenu(m_menu);
}

void LXMenuTranslationController::translateMenu(QWidget* menu)
{
    const QString table = tableName();
    if (!menu || table.isNull())
        return;
    QSet<QWidget*> visited;
    translateTree(menu, table, visited);
}

void LXMenuTranslationController::translateTree(QWidget* menu, const QString& table, QSet<QWidget*>& visited)
{
    if (visited.contains(menu))
        return;
    visited.insert(menu);
    auto tr = [&](const QString& text) {
        return text.isEmpty() ? text : bundle().localizedString(text, text, table);
    };
    if (auto* m = qobject_cast<QMenu*>(menu))
        m->setTitle(tr(m->title()));
    for (QAction* item : menu->actions()) {
        // A submenu's title is its item's text: translated once, with the submenu.
        if (QMenu* submenu = item->menu())
            translateTree(submenu, table, visited);
        else
            item->setText(tr(item->text()));
    }
}

LXMenuTranslationController* LXMenuTranslationController::sharedControllerForTable(const QString& tableName)
{
    static auto* shared = new QHash<QString, LXMenuTranslationController*>;
    LXMenuTranslationController*& controller = (*shared)[tableName];
    if (!controller) {
        controller = new LXMenuTranslationController;
        controller->setTableName(tableName);
    }
    return controller;
}

void LXMenuTranslationController::translateMenuWithTable(QWidget* menu, const QString& tableName)
{
    sharedControllerForTable(tableName)->translateMenu(menu);
}

void LXMenuTranslationController::awakeFromNib()
{
    translate();
    if (m_releaseWhenDone)
        deleteLater();
}

LXTranslatingButton::LXTranslatingButton(QWidget* parent) : QPushButton(parent) {}

void LXTranslatingButton::setTitle(const QString& title)
{
    setText(controlsString(title));
}

void LXTranslatingButton::setToolTip(const QString& toolTip)
{
    QPushButton::setToolTip(controlsString(toolTip));
}

void LXTranslatingButton::awakeFromNib()
{
    setTitle(text());
    setToolTip(toolTip());
}

LXTranslatingBox::LXTranslatingBox(QWidget* parent) : QGroupBox(parent) {}

void LXTranslatingBox::setTitle(const QString& title)
{
    QGroupBox::setTitle(controlsString(title));
}

void LXTranslatingBox::setToolTip(const QString& toolTip)
{
    QGroupBox::setToolTip(controlsString(toolTip));
}

void LXTranslatingBox::awakeFromNib()
{
    setTitle(title());
    setToolTip(toolTip());
}

void registerLocalizationClasses()
{
    InterfaceFile::registerClass<LXTranslatingButton>(QStringLiteral("LXTranslatingButton"));
    InterfaceFile::registerClass<LXTranslatingBox>(QStringLiteral("LXTranslatingBox"));
    InterfaceFile::registerClass(QStringLiteral("LXMenuTranslationController"),
                                 [](QWidget*) -> QObject* { return new LXMenuTranslationController; });
}
