#include "ui/windows/LXNoteController.h"

#include "platform/desktop/Workspace.h"
#include "platform/foundation/Log.h"
#include "ui/windows/LXChildSupportWindow.h"

#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QIcon>
#include <QPushButton>
#include <QTextDocument>

#include <cmath>
#include <memory>

namespace {

// The panel's artwork around its parts, in points: the text's side margins,
// the rows' gaps and the room above the title and below the buttons.
constexpr double kTextSides = 49 + 32;
constexpr double kButtonSides = 32 + 8 + 8 + 39;
constexpr double kAboveTitle = 77, kTitleGap = 8, kBodyGap = 28, kBelowButtons = 53;
// How far the right edge stands right of the anchor, and the top above the window.
constexpr double kAnchorInset = 66, kHang = 26;

double widthOf(const QAbstractButton* button)
{
    return button && !button->isHidden() ? button->sizeHint().width() : 0;
}

} // namespace

LXNoteController::LXNoteController(QObject* parent) : LXWindowController(parent) {}

LXNoteController::~LXNoteController()
{
    // An attached note belongs to its window, but is no use without us.
    if (LXChildSupportWindow* note = overlay(); note && note->parentWindow())
        delete note;
}

LXChildSupportWindow* LXNoteController::overlay() const
{
    return qobject_cast<LXChildSupportWindow*>(loadedWindow());
}

QWidget* LXNoteController::parentWindow() const
{
    return overlay() ? overlay()->parentWindow() : nullptr;
}

QRectF LXNoteController::noteFrame(const QSizeF& area, const QSizeF& size, double location)
{
    return {location * area.width() - (size.width() - kAnchorInset), area.height() - size.height() + kHang,
            size.width(), size.height()};
}

double LXNoteController::bodyHeight(double textHeight)
{
    return std::min(std::max(kMinimumBody, std::ceil(textHeight) + 5), kMaximumBody);
}

void LXNoteController::windowWillLoad()
{
    LXWindowController::windowWillLoad();
    registerWindowsClasses();
}

void LXNoteController::windowDidLoad()
{
    LXWindowController::windowDidLoad();
    LXChildSupportWindow* note = overlay();
    if (!note) {
        Log::line(lcWindows, QStringLiteral("Warning: %1's window in %2 is not an LXChildSupportWindow")
                                 .arg(QString::fromLatin1(metaObject()->className()), nibName()));
        return;
    }
    // Only the panel's artwork shows; the window around it stays visible.
    note->setAutoFillBackground(false);
    note->setAttribute(Qt::WA_TranslucentBackground);
    connect(note, &LXChildSupportWindow::parentWillClose, this, &LXNoteController::parentWillClose);
    connect(note, &LXChildSupportWindow::cancelled, this, [this] {
        if (QAbstractButton* button = m_cancelButton ? m_cancelButton.data() : m_closeButton.data())
            buttonPressed(button);
    });
    if (auto* approve = qobject_cast<QPushButton*>(m_approveButton.data()))
        approve->setDefault(true);
    if (QTextBrowser* text = m_textView) {
        text->setReadOnly(true);
        text->setOpenLinks(false);
        text->document()->setDocumentMargin(0); // the text lines up with the title
        connect(text, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
            if (!Workspace::openURL(url))
                Log::line(lcWindows, QStringLiteral("Warning: no program opened the link \"%1\"").arg(url.toString()));
        });
    }
    if (!m_scrollView)
        m_scrollView = m_textView.data();
    // Optional artwork: the panel's shadow and the application's icon.
    if (auto* panel = note->findChild<QWidget*>(QStringLiteral("panel"))) {
        auto* shadow = new QGraphicsDropShadowEffect(panel);
        shadow->setBlurRadius(22);
        shadow->setOffset(0, 4);
        shadow->setColor(QColor(0, 0, 0, 90));
        panel->setGraphicsEffect(shadow);
    }
    if (auto* icon = note->findChild<QLabel*>(QStringLiteral("appIcon"))) {
        const QIcon appIcon = QGuiApplication::windowIcon();
        icon->setVisible(!appIcon.isNull());
        icon->setPixmap(appIcon.pixmap(QSize(32, 32), note->devicePixelRatioF()));
    }
    adjustWindowSize();
}

void LXNoteController::setHtml(const QString& html, const QString& baseFolder)
{
    if (!window() || !m_textView)
        return;
    m_textView->setSearchPaths(baseFolder.isEmpty() ? QStringList() : QStringList{baseFolder});
    m_textView->setHtml(html);
    adjustWindowSize();
}

void LXNoteController::attachToWindow(QWidget* parent, double location)
{
    LXChildSupportWindow* note = window() ? overlay() : nullptr;
    if (!note || !parent)
        return;
    m_location = location;
    note->attachToWindow(parent);
    positionOnWindow(parent);
    note->showAsKey();
}

void LXNoteController::positionOnWindow(QWidget*)
{
    LXChildSupportWindow* note = overlay();
    if (!note)
        return;
    // By value: the note may outlive this controller's pointer for a moment.
    note->setPositioner([location = m_location](const QSizeF& area, const QSizeF& size) {
        return noteFrame(area, size, location);
    });
}

void LXNoteController::adjustWindowSize()
{
    LXChildSupportWindow* note = overlay();
    if (!note)
        return;
    const double width = std::max(kMinimumWidth, widthOf(m_cancelButton) + widthOf(m_otherButton)
                                                     + widthOf(m_approveButton) + kButtonSides);
    double text = 0;
    if (m_textView) {
        const std::unique_ptr<QTextDocument> laidOut(m_textView->document()->clone());
        laidOut->setTextWidth(width - kTextSides);
        text = laidOut->size().height();
    }
    const double body = bodyHeight(text);
    const double title = m_titleTF ? m_titleTF->sizeHint().height() : 0;
    const double buttons = m_approveButton ? m_approveButton->sizeHint().height() : 0;
    const double height = title + kAboveTitle + kTitleGap + body + kBodyGap + buttons + kBelowButtons;
    if (m_scrollView)
        m_scrollView->setFixedHeight(int(body));
    note->resize(int(std::ceil(width)), int(std::ceil(height)));
    note->reposition();
    if (note->isVisible())
        note->repaint();
}

void LXNoteController::buttonPressed(QObject* sender)
{
    auto* button = qobject_cast<QAbstractButton*>(sender);
    if (auto* delegate = dynamic_cast<NoteDelegate*>(m_delegate.data()))
        delegate->noteWasClosedByButton(this, button);
    if (LXChildSupportWindow* note = overlay()) {
        note->detach();
        note->close();
    }
}

void LXNoteController::parentWillClose()
{
    if (LXChildSupportWindow* note = overlay()) {
        note->close();
        note->detach();
    }
}
