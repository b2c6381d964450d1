#pragma once
// Interface translation: visible texts are written in English in interface
// files and looked up, as keys, in the bundle's strings tables when loaded.
//
//  - LXLocalizeHelper (resources/LXLocalizeHelper.h): the table of single-string
//    overrides every lookup consults first.
//  - LXMenuTranslationController: translates a menu or menu bar tree (titles
//    and item texts, depth first; each menu once, so cycles end) through one
//    table ("Menu" by default). When the bundle resolves the table to its
//    English strings file, nothing is translated: the texts are the keys.
//    In an interface file it is an object with an outlet "outlet.menu"
//    naming the menu, and "releaseWhenDone" to delete itself afterwards.
//  - LXTranslatingButton, LXTranslatingBox: translate their title and
//    tooltip through the table "Controls", once, as they load.
//
// null: a null bundle means the main bundle; a null menu is not translated.
// Ownership: shared controllers (sharedControllerForTable) are made on first
// use and never freed. Thread: main thread.

#include "platform/foundation/Bundle.h"
#include "resources/LXLocalizeHelper.h"

#include <QGroupBox>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QSet>

#include <memory>

class LXMenuTranslationController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QWidget* menu READ menu WRITE setMenu)
    Q_PROPERTY(QString tableName READ tableName WRITE setTableName)
    Q_PROPERTY(bool releaseWhenDone READ releaseWhenDone WRITE setReleaseWhenDone)
public:
    Q_INVOKABLE explicit LXMenuTranslationController(QObject* parent = nullptr);

    // A QMenu or QMenuBar.
    QWidget* menu() const { return m_menu; }
    void setMenu(QWidget* menu) { m_menu = menu; }
    const Bundle& bundle() const;
    void setBundle(std::shared_ptr<const Bundle> bundle) { m_bundle = std::move(bundle); }
    // The table to translate with; null when it resolves to English.
    QString tableName() const;
    void setTableName(const QString& name) { m_tableName = name; }
    bool releaseWhenDone() const { return m_releaseWhenDone; }
    void setReleaseWhenDone(bool on) { m_releaseWhenDone = on; }

    void translate();
    void translateMenu(QWidget* menu);

    static LXMenuTranslationController* sharedControllerForTable(const QString& tableName);
    static void translateMenuWithTable(QWidget* menu, const QString& tableName);

public slots:
    // Translates `menu`, then deletes itself when releaseWhenDone is set.
    void awakeFromNib();

private:
    void translateTree(QWidget* menu, const QString& table, QSet<QWidget*>& visited);

    QPointer<QWidget> m_menu;
    std::shared_ptr<const Bundle> m_bundle;
    QString m_tableName = QStringLiteral("Menu");
    bool m_releaseWhenDone = false;
};

class LXTranslatingButton : public QPushButton {
    Q_OBJECT
public:
    Q_INVOKABLE explicit LXTranslatingButton(QWidget* parent = nullptr);
    void setTitle(const QString& title);
    void setToolTip(const QString& toolTip);
public slots:
    void awakeFromNib();
};

class LXTranslatingBox : public QGroupBox {
    Q_OBJECT
public:
    Q_INVOKABLE explicit LXTranslatingBox(QWidget* parent = nullptr);
    void setTitle(const QString& title);
    void setToolTip(const QString& toolTip);
public slots:
    void awakeFromNib();
};

// Makes these classes known to interface files. Idempotent; main thread.
void registerLocalizationClasses();
