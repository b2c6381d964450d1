#include "ui/windows/LXAboutBoxController.h"

#include "platform/desktop/Alert.h"
#include "platform/desktop/Workspace.h"
#include "platform/foundation/Log.h"
#include "platform/ui/ScreenRoom.h"
#include "ui/windows/LXFadeoutMaskLayer.h"
#include "ui/windows/LayerMaskEffect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>

namespace {

QString infoString(const char* key)
{
    return Bundle::mainBundle().objectForInfoDictionaryKey(QString::fromLatin1(key)).toString();
}

void open(const QUrl& url, const QString& what)
{
    if (Workspace::openURL(url))
        return;
    Log::line(lcWindows, QStringLiteral("Warning: could not open the %1 \"%2\"").arg(what, url.toString()));
    Alert::showLocalized(QStringLiteral("Could not open the web page"),
                         QStringLiteral("No program on this computer could open %@."),
                         {url.isLocalFile() ? url.toLocalFile() : url.toDisplayString()});
}

} // namespace

QUrl resolvedWebAddress(const QString& address, const Bundle& bundle)
{
    if (address.isEmpty())
        return {};
    const QUrl url(address, QUrl::StrictMode);
    if (!url.scheme().isEmpty())
        return url;
    return QUrl::fromLocalFile(QDir(bundle.bundlePath()).filePath(QUrl::fromPercentEncoding(address.toUtf8())));
}

LXAboutBoxController::LXAboutBoxController(QObject* parent) : LXWindowController(parent) {}

LXAboutBoxController::~LXAboutBoxController() = default;

LXAboutBoxController* LXAboutBoxController::sharedAboutBox()
{
    static auto* shared = new LXAboutBoxController;
    return shared;
}

QString LXAboutBoxController::appName() const
{
    return m_appName.isNull() ? infoString("CFBundleName") : m_appName;
}

QString LXAboutBoxController::appLink() const
{
    if (!m_appLink.isNull())
        return m_appLink;
    // The name goes into an address: every byte but the unreserved ones escaped.
    const QString name = QString::fromLatin1(QUrl::toPercentEncoding(appName()));
    return infoString("LXAppPageAddress").replace(QStringLiteral("%@"), name);
}

void LXAboutBoxController::openALXWebsite(QObject*)
{
    open(resolvedWebAddress(infoString("LXMakerAddress")), QStringLiteral("maker's web site"));
}

void LXAboutBoxController::openAppWebsite(QObject*)
{
    open(resolvedWebAddress(appLink()), QStringLiteral("application's web page"));
}

void LXAboutBoxController::windowDidLoad()
{
    LXWindowController::windowDidLoad();
    if (QWidget* box = window()) {
        // Esc and the desktop's Close keys (Ctrl+W) close it, as any panel.
        QList<QKeySequence> keys = {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)};
        for (const QKeySequence& k : QKeySequence::keyBindings(QKeySequence::Close))
            if (!keys.contains(k))
                keys << k;
        auto* shortcut = new QShortcut(box);
        shortcut->setKeys(keys);
        connect(shortcut, &QShortcut::activated, box, &QWidget::close);
        // A short screen gets a shorter box, room left for its title bar: the text scrolls.
        if (const QScreen* screen = box->screen()) {
            const int room = std::max(box->minimumHeight(), clientRoom(screen).height());
            if (box->maximumHeight() > room) {
                box->setMaximumHeight(room);
                box->resize(box->width(), room);
            }
        }
    }
    QAbstractScrollArea* scroll = m_textScrollView ? m_textScrollView.data() : m_textView.data();
    if (scroll) {
        m_mask = LXFadeoutMaskLayer::create();
        m_mask->topFadeout = 30;
        m_mask->bottomFadeout = 30;
        scroll->viewport()->setGraphicsEffect(new LayerMaskEffect(m_mask));
    }
    if (QTextBrowser* textView = m_textView) {
        textView->setOpenExternalLinks(true);
        const QString path = Bundle::mainBundle().pathForResource(QStringLiteral("AboutBoxText"), QStringLiteral("html"));
        QFile file(path);
        if (!path.isEmpty() && file.open(QIODevice::ReadOnly)) {
            textView->setSearchPaths({QFileInfo(path).absolutePath()});
            textView->setHtml(QString::fromUtf8(file.readAll()));
        } else {
            Log::line(lcWindows, QStringLiteral("Warning: the about box has no text \"AboutBoxText.html\""));
        }
    }
    // Optional parts of a file: the application's icon and name.
    if (auto* icon = window() ? window()->findChild<QLabel*>(QStringLiteral("appIcon")) : nullptr) {
        const QIcon appIcon = QGuiApplication::windowIcon();
        icon->setVisible(!appIcon.isNull());
        icon->setPixmap(appIcon.pixmap(QSize(80, 80), window()->devicePixelRatioF()));
    }
    if (auto* title = window() ? window()->findChild<QLabel*>(QStringLiteral("appTitle")) : nullptr)
        title->setText(appName());
    if (m_versionTF)
        m_versionTF->setText(infoString("CFBundleVersion"));
}

void LXAboutBoxController::windowDidClose()
{
    LXWindowController::windowDidClose();
    QWidget* old = loadedWindow();
    setWindow(nullptr);
    m_textView = nullptr;
    m_textScrollView = nullptr;
    m_versionTF = nullptr;
    m_mask.reset();
    if (old)
        old->deleteLater();
}
