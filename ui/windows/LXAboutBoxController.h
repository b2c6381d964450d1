#pragma once
// The about box: one shared window controller that shows the application's
// about text ("AboutBoxText.html" of the main bundle, HTML rich text) with
// its top and bottom edges faded out, the version (Info.plist
// "CFBundleVersion") and two links, the application's page and the maker's.
//
// The window file is `nibName()` (the application sets "SWAboutBox"); its
// outlets are the widgets "textView" (QTextBrowser), optionally
// "textScrollView" (a scroll area around it; the text browser itself when
// absent) and "versionTF" (QLabel); buttons call openAppWebsite and
// openALXWebsite. An ordinary opaque window: a translucent one is black on
// X11 without a compositor.
//
// Esc and Ctrl+W (the desktop's Close keys) close it. On a screen too short
// for it, it is shorter (the text scrolls). A link that no program
// opens is an alert.
//
// After the window closes it is deleted and the next showWindow() loads the
// file afresh. Addresses: Info.plist "LXMakerAddress" for the maker, and
// "LXAppPageAddress" with "%@" standing for the percent-encoded application
// name; an address without a scheme is a file of the main bundle (a help
// page shipped until there is a public home).
//
// null: a null appName means Info.plist "CFBundleName"; a null appLink means
// the address formed from appName. A missing text leaves the view empty.
// Ownership: the shared controller lives for the whole process; it owns its
// window while loaded. Thread: main thread.

#include "ui/windows/LXWindowController.h"

#include <QLabel>
#include <QTextBrowser>
#include <QPointer>
#include <QUrl>

#include <memory>

class QAbstractScrollArea;
class LXFadeoutMaskLayer;

class LXAboutBoxController : public LXWindowController {
    Q_OBJECT
    Q_PROPERTY(QTextBrowser* textView READ textView WRITE setTextView)
    Q_PROPERTY(QAbstractScrollArea* textScrollView READ textScrollView WRITE setTextScrollView)
    Q_PROPERTY(QLabel* versionTF READ versionTF WRITE setVersionTF)
public:
    Q_INVOKABLE explicit LXAboutBoxController(QObject* parent = nullptr);
    ~LXAboutBoxController() override;

    static LXAboutBoxController* sharedAboutBox();

    // Outlets, held weakly.
    QTextBrowser* textView() const { return m_textView; }
    void setTextView(QTextBrowser* view) { m_textView = view; }
    QAbstractScrollArea* textScrollView() const { return m_textScrollView; }
    void setTextScrollView(QAbstractScrollArea* view) { m_textScrollView = view; }
    QLabel* versionTF() const { return m_versionTF; }
    void setVersionTF(QLabel* label) { m_versionTF = label; }

    QString appName() const;
    void setAppName(const QString& name) { m_appName = name; }
    QString appLink() const;
    void setAppLink(const QString& link) { m_appLink = link; }

    // The mask over the text's visible area while the window is loaded.
    std::shared_ptr<LXFadeoutMaskLayer> fadeoutMask() const { return m_mask; }

public slots:
    void openALXWebsite(QObject* sender = nullptr);
    void openAppWebsite(QObject* sender = nullptr);

protected:
    void windowDidLoad() override;
    void windowDidClose() override;

private:
    QPointer<QTextBrowser> m_textView;
    QPointer<QAbstractScrollArea> m_textScrollView;
    QPointer<QLabel> m_versionTF;
    QString m_appName, m_appLink;
    std::shared_ptr<LXFadeoutMaskLayer> m_mask;
};

// `address` as a URL: as written when it has a scheme, else the file of that
// relative path in `bundle` (its percent-escapes decoded). Empty: invalid URL.
QUrl resolvedWebAddress(const QString& address, const Bundle& bundle = Bundle::mainBundle());
