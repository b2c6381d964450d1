#include "app/SWAppDelegate.h"

#include "app/AppClasses.h"
#include "platform/desktop/Workspace.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/WindowEvents.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "ui/windows/LXAboutBoxController.h"
#include "util/LXCursorStack.h"
#include "util/LXValueBinder.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QMenuBar>
#include <QMimeDatabase>

#include <cmath>

namespace {

constexpr double kMoveSeconds = 1.0;
constexpr double kRestSeconds = 30.0;

QString localized(const QString& text)
{
    return Bundle::mainBundle().localizedString(text, text);
}

// "Images (*.jpg *.png ...)" from the MIME types Qt can read, then all files.
QStringList imageFilters()
{
    QStringList globs;
    const QMimeDatabase mimes;
    for (const QByteArray& name : QImageReader::supportedMimeTypes())
        for (const QString& glob : mimes.mimeTypeForName(QString::fromLatin1(name)).globPatterns())
            if (!globs.contains(glob))
                globs << glob;
    return {localized(QStringLiteral("Images")) + QStringLiteral(" (") + globs.join(QLatin1Char(' ')) + QLatin1Char(')'),
            localized(QStringLiteral("All Files")) + QStringLiteral(" (*)")};
}

} // namespace

SWAppDelegate::SWAppDelegate(QObject* parent) : QObject(parent)
{
    registerDefaults();
}

SWAppDelegate::~SWAppDelegate()
{
    if (m_nextStepTimer)
        m_nextStepTimer->invalidate();
    if (m_moveTimer)
        m_moveTimer->invalidate();
    if (m_scaleUpObserver)
        UserDefaults::standardUserDefaults().removeKeyObserver(m_scaleUpObserver);
    delete m_root;
}

void SWAppDelegate::registerDefaults()
{
    UserDefaults::standardUserDefaults().registerDefaults(
        {{QStringLiteral("scaleUp"), false}, {QStringLiteral("showLogo"), true}});
}

void SWAppDelegate::registerClasses()
{
    registerControlsClasses();
    registerLocalizationClasses();
    registerAppClasses();
    InterfaceFile::registerClass<SWCornerButton>(QStringLiteral("SWCornerButton"));
}

bool SWAppDelegate::loadMainWindow()
{
    const InterfaceFile::Result loaded = InterfaceFile::load(QStringLiteral("MainWindow"), Bundle::mainBundle(), this);
    if (!loaded.root) {
        Log::line(lcApp, QStringLiteral("Error: the main window's file MainWindow.ui is missing or unreadable in %1")
                             .arg(Bundle::mainBundle().bundlePath()));
        return false;
    }
    m_root = loaded.root;
    if (!m_window)
        m_window = loaded.root;
    LXValueBinder::bindObjects(loaded.objects, UserDefaults::standardUserDefaults());
    if (auto* menuBar = m_window->findChild<QMenuBar*>())
        LXMenuTranslationController::translateMenuWithTable(menuBar, QStringLiteral("Menu"));
    m_window->setWindowTitle(localized(m_window->windowTitle()));
    watchWindow(m_window);
    setWindowShouldClose(m_window, [this](QWidget* window) { return windowShouldClose(window); });
    if (m_dropView)
        connect(m_dropView, &SWDropView::wallpaperSaved, this, [this](const QString& path) { wallpaperSaved(path); });
    if (m_statusBar)
        m_statusBar->hide();
    return true;
}

void SWAppDelegate::loadText(QLabel* label, const QString& name)
{
    if (!label)
        return;
    QFile file(Bundle::mainBundle().pathForResource(name, QStringLiteral("html")));
    if (!file.open(QIODevice::ReadOnly)) {
        Log::line(lcApp, QStringLiteral("Warning: the text \"%1.html\" is missing from the bundle").arg(name));
        return;
    }
    label->setTextFormat(Qt::RichText);
    label->setText(QString::fromUtf8(file.readAll()));
}

void SWAppDelegate::applicationDidFinishLaunching()
{
    loadText(m_topInfoText, QStringLiteral("TopInformation"));
    loadText(m_technologyText, QStringLiteral("Technology"));
    // Turned like ribbons across the corners, waiting outside them.
    const double width = m_leftButton && m_leftButton->parentWidget() ? m_leftButton->parentWidget()->width() : 0;
    if (m_leftButton) {
        m_leftButton->setFrameRotation(-45);
        m_leftButton->setFrameOrigin(offsetOf(m_leftButton, {-128, -128}));
        m_leftButton->setTarget(this);
    }
    if (m_rightButton) {
        m_rightButton->setFrameRotation(45);
        m_rightButton->setFrameOrigin(offsetOf(m_rightButton, {width + 128, -128}));
        m_rightButton->setTarget(this);
    }
    LXAboutBoxController::sharedAboutBox()->setNibName(QStringLiteral("SWAboutBox"));
    if (m_scaleUpButton) {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        m_scaleUpButton->setState(defaults.boolForKey(QStringLiteral("scaleUp")) ? 1 : 0);
        m_scaleUpObserver = defaults.addKeyObserver(QStringLiteral("scaleUp"), [this](const QVariant& value) {
            if (m_scaleUpButton)
                m_scaleUpButton->setState(value.toBool() ? 1 : 0);
        });
    }
    m_step = 0;
    nextStep();
}

bool SWAppDelegate::windowShouldClose(QWidget*)
{
    // Quit after the close has finished, whatever other windows are open.
    MainQueue::async([] { QCoreApplication::quit(); });
    return true;
}

void SWAppDelegate::openDocument(QObject*)
{
    QFileDialog panel(m_window, localized(QStringLiteral("Open Photo")));
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    panel.setNameFilters(imageFilters());
    if (panel.exec() == QDialog::Accepted && !panel.selectedUrls().isEmpty())
        useImageURL(panel.selectedUrls().first());
}

void SWAppDelegate::useImageURL(const QUrl& url)
{
    m_pending.enqueue(url);
    if (!m_applying)
        applyQueued();
}

void SWAppDelegate::applyQueued()
{
    m_applying = true;
    const QVariant key = QVariant::fromValue<QObject*>(this);
    if (m_window)
        LXCursorStack::pushCursor(QCursor(Qt::BusyCursor), key, m_window);
    while (!m_pending.isEmpty()) {
        const QUrl url = m_pending.dequeue();
        if (m_dropView)
            m_dropView->applyImageAt(url);
    }
    if (m_window)
        LXCursorStack::popCursorForKey(key, m_window);
    m_applying = false;
}

void SWAppDelegate::paste(QObject*)
{
    // The view shows the busy cursor and says why when nothing could be taken.
    if (m_dropView)
        m_dropView->takeMimeData(QApplication::clipboard()->mimeData());
}

void SWAppDelegate::toggleUpscale(QObject* sender)
{
    auto* button = qobject_cast<LXButton*>(sender);
    if (m_dropView && button)
        m_dropView->setScaleUp(button->state() != 0);
}

void SWAppDelegate::openSunnysideSite(QObject*)
{
    const QString address = Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("SWProductPage")).toString();
    if (!Workspace::openURL(resolvedWebAddress(address)))
        Log::line(lcApp, QStringLiteral("Warning: could not open Sunnyside's web page \"%1\"").arg(address));
}

void SWAppDelegate::openAboutBox(QObject* sender)
{
    LXAboutBoxController::sharedAboutBox()->showWindow(sender);
}

void SWAppDelegate::closeWindow(QObject*)
{
    if (m_window)
        m_window->close();
}

void SWAppDelegate::terminate(QObject*)
{
    QCoreApplication::quit();
}

void SWAppDelegate::activate()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void SWAppDelegate::wallpaperSaved(const QString& path)
{
    m_lastSaved = path;
    if (!m_statusLabel)
        return;
    QString shown = QDir::cleanPath(path);
    const QString home = QDir::homePath();
    if (shown.startsWith(home + QLatin1Char('/')))
        shown = QStringLiteral("~") + shown.mid(home.size());
    m_statusLabel->setText(localized(QStringLiteral("Saved as %@")).replace(QStringLiteral("%@"), shown));
    if (m_statusBar)
        m_statusBar->show();
}

void SWAppDelegate::showInFolder(QObject*)
{
    if (!m_lastSaved.isEmpty())
        Workspace::showInFolder(m_lastSaved);
}

void SWAppDelegate::button(QObject*, bool hovered)
{
    m_hovered = hovered;
}

QPointF SWAppDelegate::offsetOf(const SWCornerButton* view, const QPointF& centre)
{
    if (!view)
        return centre;
    const double a = view->frameRotation() * 3.141592653589793 / 180;
    const double dx = -0.5 * view->buttonSize().width(), dy = -0.5 * view->buttonSize().height();
    return {centre.x() + dx * std::cos(a) - dy * std::sin(a), centre.y() + dx * std::sin(a) + dy * std::cos(a)};
}

void SWAppDelegate::nextStep(QObject*)
{
    // At most one pending step: an early call replaces the waiting one.
    if (m_nextStepTimer)
        m_nextStepTimer->invalidate();
    m_nextStepTimer.reset();
    QPointer<SWAppDelegate> self(this);
    if (m_hovered) {
        m_nextStepTimer = Timer::scheduled(kRestSeconds, false, [self](Timer&) {
            if (self)
                self->nextStep();
        });
        return;
    }
    SWCornerButton* button = m_step < 2 ? m_leftButton : m_rightButton;
    const QWidget* content = button ? button->parentWidget() : nullptr;
    const double width = content ? content->width() : 0;
    static const QPointF offsets[4] = {{22, 22}, {-128, -128}, {-22, 22}, {128, -128}};
    const QPointF centre = offsets[m_step] + QPointF(m_step < 2 ? 0 : width, 0);
    if (m_move)
        m_move->stop();
    m_moving = button;
    m_moveTarget = offsetOf(button, centre);
    if (button) {
        m_move = new QPropertyAnimation(button, "frameOrigin", button);
        m_move->setDuration(int(kMoveSeconds * 1000));
        m_move->setStartValue(button->frameOrigin());
        m_move->setEndValue(m_moveTarget);
        m_move->setEasingCurve(QEasingCurve::InOutCubic);
        m_move->start(QAbstractAnimation::DeleteWhenStopped);
    }
    if (m_moveTimer)
        m_moveTimer->invalidate();
    m_moveTimer = Timer::scheduled(kMoveSeconds, false, [self](Timer&) {
        if (self)
            self->moveFinished();
    });
    m_step = (m_step + 1) % 4;
}

void SWAppDelegate::moveFinished()
{
    m_moveTimer.reset();
    if (m_move)
        m_move->stop();
    if (m_moving)
        m_moving->setFrameOrigin(m_moveTarget);
    if (m_step == 0 || m_step == 2) {
        nextStep();
        return;
    }
    QPointer<SWAppDelegate> self(this);
    m_nextStepTimer = Timer::scheduled(kRestSeconds, false, [self](Timer&) {
        if (self)
            self->nextStep();
    });
}
