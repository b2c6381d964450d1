#include "app/SWAppDelegate.h"

#include "app/AppClasses.h"
#include "app/LookCard.h"
#include "app/LookChainView.h"
#include "app/LookCropOverlay.h"
#include "app/LookTurnOverlay.h"
#include "app/WindowFit.h"
#include "effects/LXEffect.h"
#include "effects/LXEffectPicker.h"
#include "effects/LXEffectsCatalog.h"
#include "platform/desktop/Alert.h"
#include "platform/desktop/AppStream.h"
#include "platform/desktop/Workspace.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIContext.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/QtTranslation.h"
#include "platform/ui/ScreenRoom.h"
#include "platform/ui/WindowEvents.h"
#include "ui/controls/ControlsClasses.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "ui/windows/LXAboutBoxController.h"
#include "ui/windows/LXRateUsController.h"
#include "util/LXCursorStack.h"
#include "util/LXSystemInfo.h"
#include "util/LXValueBinder.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QImageReader>
#include <QLayout>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeDatabase>
#include <QResizeEvent>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

namespace {

constexpr double kMoveSeconds = 1.0;
constexpr double kRestSeconds = 30.0;
const QString kOpenFolder = QStringLiteral("openFolder");
// The narrowest the window gets: narrower, its texts would wrap into many lines.
constexpr int kLeastWindowWidth = 480;

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

// `path` with the home folder written "~".
QString shownPath(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    const QString home = QDir::homePath();
    return clean.startsWith(home + QLatin1Char('/')) ? QStringLiteral("~") + clean.mid(home.size()) : clean;
}

QString wallpapersFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + QStringLiteral("/Sunnyside");
}

// What draws the pictures, for the technology text: the graphics chip's name
// without its driver details, or the processor when rendering is in software.
QString rendererDescription()
{
    const QString full = CIContext::rendererName();
    const QString name = full.section(QStringLiteral(" ("), 0, 0).trimmed();
    if (name.isEmpty())
        return localized(QStringLiteral("this computer"));
    static const QStringList software = {QStringLiteral("llvmpipe"), QStringLiteral("softpipe"),
                                         QStringLiteral("swrast"), QStringLiteral("lavapipe")};
    for (const QString& s : software)
        if (full.contains(s, Qt::CaseInsensitive))
            return Alert::localizedText(QStringLiteral("the processor (%@)"), {name});
    return name;
}

QString menuText(const QString& text)
{
    return Bundle::mainBundle().localizedString(text, text, QStringLiteral("Menu"));
}

// Where look files are chosen and their kind.
const QString kLookFolder = QStringLiteral("lookFolder");
QString lookFilter()
{
    return localized(QStringLiteral("Looks")) + QStringLiteral(" (*.look)");
}

// A frame choice and a look's frame are the same when they name the same frame.
bool sameFrame(const QVariantMap& a, const QVariantMap& b)
{
    const QString name = QStringLiteral("name"), frame = QStringLiteral("inputFrameName");
    return a.value(name) == b.value(name) && a.value(frame) == b.value(frame);
}

} // namespace

// The picker's delegate, for as long as a showing lasts; the delegate may go first.
class PickerForward : public LXEffectPickerDelegate {
public:
    explicit PickerForward(SWAppDelegate* d) : delegate(d) {}
    void effectPickerPreviewing(LXEffectPicker*, const std::shared_ptr<LXEffect>& effect) override
    {
        if (delegate)
            delegate->effectPreviewing(effect);
    }
    void effectPickerDidSelectEffect(LXEffectPicker*, const std::shared_ptr<LXEffect>& effect) override
    {
        if (delegate)
            delegate->effectChosen(effect);
    }
    QPointer<SWAppDelegate> delegate;
};

SWAppDelegate::SWAppDelegate(QObject* parent) : QObject(parent)
{
    registerDefaults();
}

SWAppDelegate::~SWAppDelegate()
{
    delete m_panel; // its settings view goes back to its effect before the window goes
    m_panel = nullptr;
    delete m_chainPanel.data(); // owned by the window only while attached
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
    InterfaceFile::registerClass<CornerButton>(QStringLiteral("CornerButton"));
}

bool SWAppDelegate::loadMainWindow()
{
    // Qt's own dialogs (the open panel, the alerts' buttons) in the window's language.
    installQtTranslation();
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
    m_look.load();
    if (m_dropView)
        m_dropView->setLookEditor(&m_look);
    if (auto* menuBar = m_window->findChild<QMenuBar*>()) {
        LXMenuTranslationController::translateMenuWithTable(menuBar, QStringLiteral("Menu"));
        setUpLookMenus(menuBar);
        giveMnemonics(menuBar);
    }
    m_window->setWindowTitle(localized(m_window->windowTitle()));
    watchWindow(m_window);
    setWindowShouldClose(m_window, [this](QWidget* window) { return windowShouldClose(window); });
    if (m_dropView)
        connect(m_dropView, &SWDropView::wallpaperSaved, this,
                [this](const QString& path, bool installed) { wallpaperSaved(path, installed); });
    if (m_statusBar) // as tall from the start as with its button: the layout never jumps
        m_statusBar->setMinimumHeight(m_statusBar->sizeHint().height());
    if (m_showInFolderButton)
        m_showInFolderButton->hide();
    if (m_statusLabel)
        m_statusLabel->installEventFilter(this);
    showStatus(localized(QStringLiteral("Wallpapers are saved in %@")), wallpapersFolder());
    if (QWidget* content = m_leftButton ? m_leftButton->parentWidget() : nullptr)
        content->installEventFilter(this);
    // Fitted to the screen it shows on, and again on each screen it moves to.
    m_window->installEventFilter(this);
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
    label->setText(QString::fromUtf8(file.readAll())
                       .replace(QStringLiteral("{renderer}"), rendererDescription().toHtmlEscaped()));
}

void SWAppDelegate::applicationDidFinishLaunching()
{
    loadText(m_topInfoText, QStringLiteral("TopInformation"));
    loadText(m_technologyText, QStringLiteral("Technology"));
    // The texts set how tall the window must be.
    if (m_window && m_window->isVisible())
        fitWindowToScreen();
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
    QFileDialog panel(m_window, localized(QStringLiteral("Open Photo")), openPanelFolder());
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    panel.setNameFilters(imageFilters());
    fitDialogToScreen(panel);
    if (panel.exec() != QDialog::Accepted || panel.selectedUrls().isEmpty())
        return;
    const QUrl url = panel.selectedUrls().first();
    if (url.isLocalFile())
        UserDefaults::standardUserDefaults().setObject(QFileInfo(url.toLocalFile()).absolutePath(), kOpenFolder);
    useImageURL(url);
}

QString SWAppDelegate::openPanelFolder()
{
    const QString last = UserDefaults::standardUserDefaults().stringForKey(kOpenFolder);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
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
    const QUrl url = resolvedWebAddress(address);
    if (Workspace::openURL(url))
        return;
    Log::line(lcApp, QStringLiteral("Warning: could not open Sunnyside's web page \"%1\"").arg(address));
    Alert::showLocalized(QStringLiteral("Could not open the web page"),
                         QStringLiteral("No program on this computer could open %@."),
                         {url.isLocalFile() ? url.toLocalFile() : url.toDisplayString()});
}

QUrl SWAppDelegate::reviewAddress()
{
    return AppStream::reviewAddress(QGuiApplication::desktopFileName());
}

void SWAppDelegate::askForRating(bool askNow)
{
#if SUNNYSIDE_RATING_PROMPT
    // Wayland reports no modifiers before the window has the focus: hence also --ask-rating.
    const bool altHeld = QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier;
    LXRateUsController::verifyRateUs(&SWAppDelegate::reviewAddress, askNow || altHeld);
#else
    Q_UNUSED(askNow);
#endif
}

void SWAppDelegate::reviewOrSendFeedback(QObject*)
{
    const QUrl review = reviewAddress();
    bool opened = !review.isEmpty() && Workspace::openURL(review);
    if (!review.isEmpty() && !opened)
        Log::line(lcApp, QStringLiteral("Warning: no program opened the review page \"%1\"; sending feedback instead")
                             .arg(review.toString()));
    if (!opened)
        opened = LXSystemInfo::sendFeedbackTo();
    if (opened)
        LXRateUsController::userDidRate();
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

void SWAppDelegate::wallpaperSaved(const QString& path, bool installed)
{
    m_lastSaved = path;
    showStatus(localized(installed ? QStringLiteral("Saved as %@")
                                   : QStringLiteral("Saved as %@, but not set as wallpaper")),
               path);
    if (m_showInFolderButton)
        m_showInFolderButton->show();
}

QString SWAppDelegate::statusText() const
{
    return QString(m_statusFormat).replace(QStringLiteral("%@"), shownPath(m_statusPath));
}

void SWAppDelegate::showStatus(const QString& format, const QString& path)
{
    m_statusFormat = format;
    m_statusPath = path;
    if (m_statusBar)
        m_statusBar->show();
    layoutStatus();
}

void SWAppDelegate::layoutStatus()
{
    if (!m_statusLabel)
        return;
    if (!m_statusLabel->isVisible()) { // not laid out yet: shortened once it shows
        m_statusLabel->setText(statusText());
        return;
    }
    // The path gives way in its middle: the message and the file's name stay whole.
    const QFontMetricsF metrics(m_statusLabel->font());
    const QString rest = QString(m_statusFormat).remove(QStringLiteral("%@"));
    const double room = m_statusLabel->contentsRect().width() - metrics.horizontalAdvance(rest) - 1;
    const QString path = metrics.elidedText(shownPath(m_statusPath), Qt::ElideMiddle, std::max(0.0, room));
    QString shown = QString(m_statusFormat).replace(QStringLiteral("%@"), path);
    if (path.isEmpty() || metrics.horizontalAdvance(shown) > m_statusLabel->contentsRect().width())
        shown = metrics.elidedText(statusText(), Qt::ElideMiddle, m_statusLabel->contentsRect().width());
    m_statusLabel->setText(shown);
    m_statusLabel->setToolTip(shown == statusText() ? QString() : statusText());
}

void SWAppDelegate::showInFolder(QObject*)
{
    if (m_lastSaved.isEmpty() || Workspace::showInFolder(m_lastSaved))
        return;
    Alert::showLocalized(QStringLiteral("Could not show the wallpaper in its folder"),
                         QStringLiteral("Neither a file manager nor another program could show %@."), {m_lastSaved});
}

bool SWAppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: a widget on its way out still passes events here.
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Resize)
        return QObject::eventFilter(watched, event);
    if (type == QEvent::Show && watched == m_window.data()) {
        fitWindowToScreen();
        if (QWindow* handle = m_window->windowHandle())
            connect(handle, &QWindow::screenChanged, this, &SWAppDelegate::fitWindowToScreen, Qt::UniqueConnection);
    }
    if (watched == m_statusLabel.data())
        layoutStatus();
    if (type == QEvent::Resize && m_leftButton && watched == m_leftButton->parentWidget())
        keepRibbonsInCorners();
    return QObject::eventFilter(watched, event);
}

QSize SWAppDelegate::leastWindowSize() const
{
    // Qt's least size leaves wrapped texts out: they are as tall as the width makes them.
    QSize least = m_window->minimumSizeHint().expandedTo(QSize(kLeastWindowWidth, 0));
    const auto* main = qobject_cast<QMainWindow*>(m_window.data());
    const QWidget* content = main ? main->centralWidget() : m_window.data();
    if (content && content->layout() && content->layout()->hasHeightForWidth()) {
        const int menu = main && main->menuWidget() ? main->menuWidget()->sizeHint().height() : 0;
        least.setHeight(std::max(least.height(), menu + content->layout()->totalMinimumHeightForWidth(least.width())));
    }
    return least;
}

void SWAppDelegate::fitWindowToScreen(QScreen* screen)
{
    if (!m_window)
        return;
    if (!screen)
        screen = m_window->screen();
    if (!screen)
        return;
    const WindowFit fit = fitWindow(m_window->size(), leastWindowSize(), screen->availableGeometry());
    m_window->setMinimumSize(fit.minimum);
    m_window->resize(fit.size);
}

void SWAppDelegate::button(QObject*, bool hovered)
{
    m_hovered = hovered;
}

bool SWAppDelegate::ribbonHasFocus() const
{
    return (m_leftButton && m_leftButton->hasFocus()) || (m_rightButton && m_rightButton->hasFocus());
}

void SWAppDelegate::keepRibbonsInCorners()
{
    if (m_move && m_move->state() == QAbstractAnimation::Running)
        return; // its end is taken anew when it finishes
    const double width = m_leftButton && m_leftButton->parentWidget() ? m_leftButton->parentWidget()->width() : 0;
    // m_step is the next step: a button that came in last rests in its corner.
    if (m_leftButton)
        m_leftButton->setFrameOrigin(offsetOf(m_leftButton, m_step == 1 ? QPointF(22, 22) : QPointF(-128, -128)));
    if (m_rightButton)
        m_rightButton->setFrameOrigin(
            offsetOf(m_rightButton, m_step == 3 ? QPointF(width - 22, 22) : QPointF(width + 128, -128)));
}

QPointF SWAppDelegate::offsetOf(const CornerButton* view, const QPointF& centre)
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
    if (m_hovered || ribbonHasFocus()) {
        m_nextStepTimer = Timer::scheduled(kRestSeconds, false, [self](Timer&) {
            if (self)
                self->nextStep();
        });
        return;
    }
    CornerButton* button = m_step < 2 ? m_leftButton : m_rightButton;
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
    keepRibbonsInCorners(); // the content may have resized during the move
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

// ---- the look

void SWAppDelegate::setUpLookMenus(QMenuBar* bar)
{
    m_panel = new LookPanel(&m_look, m_window, m_dropView, this);
    connect(m_panel, &LookPanel::setAsWallpaperRequested, this, [this] { setAsWallpaper(); });
    m_look.undoManager().connectActions(m_window->findChild<QAction*>(QStringLiteral("undoAction")),
                                        m_window->findChild<QAction*>(QStringLiteral("redoAction")));
    // The Effects menu is the picker's own list, between Edit and Frame.
    m_picker = new LXEffectPicker(LXEffectsCatalog::sharedEffectsCatalog(), this);
    m_pickerForward = std::make_shared<PickerForward>(this);
    QMenu* effects = m_picker->listMenu();
    effects->setTitle(menuText(QStringLiteral("Effects")));
    effects->setObjectName(QStringLiteral("effectsMenu"));
    m_frameMenu = m_window->findChild<QMenu*>(QStringLiteral("frameMenu"));
    bar->insertMenu(m_frameMenu ? m_frameMenu->menuAction() : nullptr, effects);
    connect(effects, &QMenu::aboutToShow, this, [this] { m_picker->beginShowing(m_pickerForward); });
    if (m_frameMenu) {
        connect(m_frameMenu, &QMenu::aboutToShow, this, &SWAppDelegate::fillFrameMenu);
        connect(m_frameMenu, &QMenu::hovered, this, [this](QAction* item) {
            Look look = m_look.look();
            look.frame = item->data().toMap();
            m_look.previewLook(look);
        });
        connect(m_frameMenu, &QMenu::triggered, this, [this](QAction* item) {
            m_look.endPreview();
            if (!m_look.setFrame(item->data().toMap()))
                return;
            if (m_look.chain().frame())
                m_panel->showEffect(m_look.chain().frame());
            else
                m_panel->close();
        });
        // The choice comes after the closing: the preview ends once both were told.
        connect(m_frameMenu, &QMenu::aboutToHide, this, [this] {
            QPointer<SWAppDelegate> self(this);
            MainQueue::async([self] {
                if (self)
                    self->m_look.endPreview();
            });
        });
    }
    // The chain list, over the display's top left corner, while View ▸ Effects Chain is on.
    m_chainView = new LookChainView;
    QFrame* chainCard = makeLookCard();
    auto* chainColumn = new QVBoxLayout(chainCard);
    chainColumn->setContentsMargins(6, 6, 6, 6);
    chainColumn->addWidget(m_chainView);
    m_chainPanel = new LXChildSupportWindow;
    m_chainPanel->setContentsMargins(12, 12, 12, 12); // room for the card's shadow
    m_chainPanel->setContent(chainCard);
    m_chainPanel->setPositioner([this](const QSizeF& area, const QSizeF& size) {
        if (!m_dropView || !m_window)
            return QRectF(QPointF(0, area.height() - size.height()), size);
        const QRect areaRect = LXChildSupportWindow::windowArea(m_window);
        const QPoint topLeft = m_dropView->mapTo(m_window, m_dropView->drawnScreenRect().topLeft().toPoint());
        double top = topLeft.y() - areaRect.top();
        // Below the settings panel where a narrow window would lay one card over the other.
        if (m_panel && m_panel->isShown()) {
            const QRectF panel = QRectF(m_panel->overlay()->geometry()).translated(-areaRect.topLeft());
            const QRectF cards = QRectF(QPointF(topLeft.x(), top), size).marginsRemoved({12, 12, 12, 12});
            if (cards.intersects(panel.marginsRemoved({12, 12, 12, 12})))
                top = panel.bottom() - 12;
        }
        return QRectF(QPointF(topLeft.x(), area.height() - top - size.height()), size);
    });
    connect(m_panel, &LookPanel::placed, m_chainPanel, [this] {
        if (m_chainPanel->parentWindow())
            m_chainPanel->reposition();
    });
    connect(m_chainPanel, &LXChildSupportWindow::cancelled, this, [this] { showChain(); });
    connect(m_chainView, &LookChainView::effectSelected, this, [this](int row) {
        if (m_chainView && m_panel)
            m_panel->showEffect(m_chainView->effectAt(row));
    });
    connect(m_chainView, &LookChainView::enabledChanged, &m_look, &LookEditor::noteEdit);
    connect(m_chainView, &LookChainView::removeRequested, this, [this](int row) { m_look.removeEffect(row); });
    connect(&m_look, &LookEditor::lookChanged, this, [this] {
        if (m_chainView) {
            m_chainView->setChain(m_look.chain());
            m_chainView->refresh();
            if (m_chainPanel && m_chainPanel->isVisible())
                m_chainPanel->resize(m_chainPanel->sizeHint()), m_chainPanel->reposition();
        }
    });
    m_chainView->setChain(m_look.chain());
}

QMenu* SWAppDelegate::effectsMenu() const
{
    return m_picker ? m_picker->listMenu() : nullptr;
}

void SWAppDelegate::fillFrameMenu()
{
    if (!m_frameMenu)
        return;
    if (m_frameMenu->isEmpty()) {
        auto* group = new QActionGroup(m_frameMenu);
        QAction* none = m_frameMenu->addAction(menuText(QStringLiteral("None")));
        none->setData(QVariantMap());
        m_frameMenu->addSeparator();
        for (const LookFrameChoice& choice : lookFrameChoices()) {
            QAction* item = m_frameMenu->addAction(QString(choice.displayName).replace(QLatin1Char('&'), QLatin1String("&&")));
            item->setData(choice.settings);
        }
        for (QAction* item : m_frameMenu->actions())
            if (!item->isSeparator()) {
                item->setCheckable(true);
                group->addAction(item);
            }
    }
    const QVariantMap frame = m_look.look().frame;
    for (QAction* item : m_frameMenu->actions())
        if (!item->isSeparator())
            item->setChecked(frame.isEmpty() ? item->data().toMap().isEmpty() : sameFrame(item->data().toMap(), frame));
}

void SWAppDelegate::effectPreviewing(const std::shared_ptr<LXEffect>& effect)
{
    if (!effect) {
        m_look.endPreview();
        return;
    }
    Look look = m_look.look();
    look.effects.append(effect->settings());
    m_look.previewLook(look);
}

void SWAppDelegate::effectChosen(const std::shared_ptr<LXEffect>& effect)
{
    m_look.endPreview();
    if (!effect || !m_look.appendEffect(effect->settings()))
        return;
    if (m_panel && !m_look.chain().effects().empty())
        m_panel->showEffect(m_look.chain().effects().back());
}

void SWAppDelegate::giveMnemonics(QMenuBar* bar)
{
    if (!bar)
        return;
    QString taken;
    for (QAction* item : bar->actions()) {
        QString title = item->text();
        if (title.contains(QLatin1Char('&')))
            continue;
        for (int i = 0; i < title.size(); ++i) {
            const QChar c = title.at(i).toLower();
            if (!c.isLetter() || taken.contains(c))
                continue;
            taken += c;
            title.insert(i, QLatin1Char('&'));
            item->setText(title);
            break;
        }
    }
}

void SWAppDelegate::setAsWallpaper(QObject*)
{
    if (m_dropView)
        m_dropView->setAsWallpaper();
}

void SWAppDelegate::undo(QObject*)
{
    m_look.undoManager().undo();
}

void SWAppDelegate::redo(QObject*)
{
    m_look.undoManager().redo();
}

void SWAppDelegate::resetLook(QObject*)
{
    if (m_panel)
        m_panel->close();
    m_look.reset();
}

bool SWAppDelegate::openLookFile(const QString& path)
{
    QString shown;
    const Result<Look> read = Look::readFile(path, &shown);
    if (!read.ok()) {
        Log::line(lcApp, QStringLiteral("Warning: the look file cannot be used: %1").arg(read.reason()));
        Alert::showLocalized(QStringLiteral("Could not open the look"), QStringLiteral("The look '%@' cannot be used: %@."),
                             {QFileInfo(path).fileName(), localized(shown)});
        return false;
    }
    if (m_panel)
        m_panel->close();
    return m_look.changeLook(read.value(), Alert::localizedText(QStringLiteral("Open Look"), {}));
}

bool SWAppDelegate::saveLookFile(const QString& path)
{
    QString shown;
    const Result<> written = m_look.look().writeFile(path, &shown);
    if (written.ok())
        return true;
    Log::line(lcApp, QStringLiteral("Error: the look could not be saved: %1").arg(written.reason()));
    Alert::showLocalized(QStringLiteral("Could not save the look"), QStringLiteral("The look could not be saved as '%@': %@."),
                         {path, localized(shown)});
    return false;
}

void SWAppDelegate::openLook(QObject*)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    QFileDialog panel(m_window, localized(QStringLiteral("Open Look")), defaults.stringForKey(kLookFolder));
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setNameFilters({lookFilter(), localized(QStringLiteral("All Files")) + QStringLiteral(" (*)")});
    fitDialogToScreen(panel);
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return;
    const QString path = panel.selectedFiles().first();
    defaults.setObject(QFileInfo(path).absolutePath(), kLookFolder);
    openLookFile(path);
}

void SWAppDelegate::saveLook(QObject*)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    QString folder = defaults.stringForKey(kLookFolder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = openPanelFolder();
    QFileDialog panel(m_window, localized(QStringLiteral("Save Look")), folder);
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setNameFilter(lookFilter());
    panel.setDefaultSuffix(QStringLiteral("look"));
    panel.selectFile(localized(QStringLiteral("My Look")) + QStringLiteral(".look"));
    fitDialogToScreen(panel);
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return;
    const QString path = panel.selectedFiles().first();
    // Only a folder that took the look is offered again.
    if (saveLookFile(path))
        defaults.setObject(QFileInfo(path).absolutePath(), kLookFolder);
}

void SWAppDelegate::showChain(QObject*)
{
    if (!m_chainPanel || !m_window)
        return;
    if (m_chainPanel->parentWindow()) {
        m_chainPanel->detach();
        return;
    }
    m_chainView->setChain(m_look.chain());
    m_chainPanel->resize(m_chainPanel->sizeHint());
    m_chainPanel->attachToWindow(m_window);
    m_chainPanel->showAsKey();
}

void SWAppDelegate::showLookOverlay(QWidget* overlay)
{
    // The panels would cover the photo being cropped or turned, and keep
    // Escape from reaching them; the chain list comes back afterwards.
    m_lookOverlay = overlay;
    if (m_panel)
        m_panel->close();
    if (m_chainPanel && m_chainPanel->parentWindow()) {
        m_chainPanel->detach();
        connect(overlay, &QObject::destroyed, this, [this] {
            if (m_chainPanel && !m_chainPanel->parentWindow())
                showChain();
        });
    }
    overlay->setFocus(); // begin showed it; the panels going may have moved the focus
}

void SWAppDelegate::fillTheScreen(QObject*)
{
    if (!m_dropView || m_lookOverlay)
        return;
    const WallpaperScreen screen = m_dropView->currentScreen();
    auto* overlay = new LookCropOverlay(m_dropView);
    const QRectF area = m_dropView->drawnScreenRect();
    if (screen.size.height() <= 0
        || !overlay->begin(m_dropView->shownPhotoBitmap(1024), area, screen.size.width() / screen.size.height(),
                           m_look.look().crop)) {
        delete overlay;
        return;
    }
    showLookOverlay(overlay);
    connect(overlay, &LookCropOverlay::accepted, this, [this](const QRectF& crop) {
        Look look = m_look.look();
        look.crop = crop;
        m_look.changeLook(look, Alert::localizedText(QStringLiteral("Fill the Screen"), {}));
    });
    connect(overlay, &LookCropOverlay::accepted, overlay, &QObject::deleteLater);
    connect(overlay, &LookCropOverlay::cancelled, overlay, &QObject::deleteLater);
}

void SWAppDelegate::straighten(QObject*)
{
    if (!m_dropView || m_lookOverlay)
        return;
    auto* overlay = new LookTurnOverlay(m_dropView);
    if (!overlay->begin(m_dropView->shownPhotoBitmap(1024), m_dropView->drawnScreenRect(), m_look.look().rotation)) {
        delete overlay;
        return;
    }
    showLookOverlay(overlay);
    connect(overlay, &LookTurnOverlay::accepted, this, [this](double degrees) {
        Look look = m_look.look();
        look.rotation = degrees;
        m_look.changeLook(look, Alert::localizedText(QStringLiteral("Straighten"), {}));
    });
    connect(overlay, &LookTurnOverlay::accepted, overlay, &QObject::deleteLater);
    connect(overlay, &LookTurnOverlay::cancelled, overlay, &QObject::deleteLater);
}
