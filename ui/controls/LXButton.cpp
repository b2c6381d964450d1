#include "ui/controls/LXButton.h"

#include "graphics/LXColor.h"
#include "graphics/LXShadowCatalog.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/ui/ShadowText.h"
#include "platform/ui/WindowEvents.h"
#include "platform/ui/YUp.h"
#include "resources/BundleResources.h"
#include "ui/windows/LXToolTipController.h"
#include "util/LXCursorStack.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

int qtAlignment(int alignment)
{
    switch (alignment) {
    case kTextRight: return Qt::AlignRight;
    case kTextCentre: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// Device pixels per point where `painter` draws, its own scaling included.
double pixelRatio(const QPainter& painter)
{
    const double device = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform& t = painter.worldTransform();
    return device * std::sqrt(std::abs(t.determinant()));
}

void drawPiece(QPainter& painter, const SkinImage& image, const QRectF& rect, double height, double ratio)
{
    if (!image.isNull() && !rect.isEmpty())
        image.forRatio(ratio).draw(painter, flippedRect(rect, height));
}

} // namespace

LXButton::LXButton(QWidget* parent) : QAbstractButton(parent)
{
    setText(QString());
    setButtonState(kNormal);
}

LXButton::~LXButton()
{
    if (m_trackingAreaTimer)
        m_trackingAreaTimer->invalidate();
    setInsideTimer(nullptr);
    // Qt deletes children without a leave event: nothing may stay pushed for a freed key.
    undoHoverEffects();
}

void LXButton::setName(const QString& name)
{
    m_name = name;
    loadSkin();
}

void LXButton::loadSkin()
{
    const Bundle& bundle = Bundle::mainBundle();
    const QString folder = bundle.pathForResource(m_name, QStringLiteral("button"));
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        loadButtonInDirectory(folder);
        return;
    }
    symbolOff = ButtonSkin::imagesForName(bundle, m_name);
    // Resting and pressed pictures swap in the on state.
    symbolOn = ButtonSkin::reordered(symbolOff, {0, 3, 2, 1});
    midImagesOff = ButtonSkin::imagesForName(bundle, m_name + QStringLiteral("Mid"));
    leftImagesOff = ButtonSkin::imagesForName(bundle, m_name + QStringLiteral("Left"));
    rightImagesOff = ButtonSkin::imagesForName(bundle, m_name + QStringLiteral("Right"));
    midImagesOn = midImagesOff;
    leftImagesOn = leftImagesOff;
    rightImagesOn = rightImagesOff;
    updateGeometry();
    update();
}

void LXButton::loadButtonInDirectory(const QString& folder)
{
    const QDir d(folder);
    const QString infoPath = d.filePath(QStringLiteral("Info.plist"));
    m_buttonInfo = QFileInfo::exists(infoPath) ? PropertyList::read(infoPath).toMap() : QVariantMap();
    if (m_buttonInfo.contains(QStringLiteral("autoswitch")))
        m_isSwitchButton = m_buttonInfo.value(QStringLiteral("autoswitch")).toBool();
    updateButtonState();
    const auto load = [&d](const char* piece, ImageSet& off, ImageSet& on) {
        const QString p = d.filePath(QLatin1String(piece));
        off = ButtonSkin::imagesForPath(p + QStringLiteral("-Off-"));
        if (off.isEmpty())
            off = ButtonSkin::imagesForPath(p + QStringLiteral("-"));
        on = ButtonSkin::imagesForPath(p + QStringLiteral("-On-"));
        if (on.isEmpty())
            on = off;
    };
    load("Left", leftImagesOff, leftImagesOn);
    load("Mid", midImagesOff, midImagesOn);
    load("Right", rightImagesOff, rightImagesOn);
    if (m_symbolName.isEmpty())
        loadSymbolsInDirectory(folder);
    updateGeometry();
    update();
}

void LXButton::setSymbolName(const QString& name)
{
    m_symbolName = name;
    const QString folder = Bundle::mainBundle().pathForResource(name, QStringLiteral("symbol"));
    if (!folder.isEmpty())
        loadSymbolsInDirectory(folder);
    else if (!name.isEmpty())
        Log::line(lcControls, QStringLiteral("Warning: button symbol %1 not found").arg(name));
}

void LXButton::loadSymbolsInDirectory(const QString& folder)
{
    const QString p = QDir(folder).filePath(QStringLiteral("Symbol-"));
    symbolOff = ButtonSkin::imagesForPath(p + QStringLiteral("Off-"));
    if (symbolOff.isEmpty())
        symbolOff = ButtonSkin::imagesForPath(p);
    symbolOn = ButtonSkin::imagesForPath(p + QStringLiteral("On-"));
    if (symbolOn.isEmpty())
        symbolOn = ButtonSkin::reordered(symbolOff, {0, 3, 2, 1});
    updateGeometry();
    update();
}

void LXButton::setTitle(const QString& title)
{
    setText(title.isEmpty() ? title : Bundle::mainBundle().localizedString(title, title, QStringLiteral("Controls")));
    updateGeometry();
    update();
}

void LXButton::awakeFromNib()
{
    setTitle(text());
    if (!m_toolTip.isEmpty())
        setToolTip(m_toolTip);
    if (!m_disabledToolTip.isEmpty())
        setDisabledToolTip(m_disabledToolTip);
}

void LXButton::setImage(const Picture& image)
{
    m_image = image;
    updateGeometry();
    update();
}

void LXButton::setImageName(const QString& name)
{
    m_imageName = name;
    setImage(imageNamed(Bundle::mainBundle(), name));
}

void LXButton::setToolTip(const QString& text)
{
    m_toolTip = text.isEmpty() ? text : Bundle::mainBundle().localizedString(text);
}

void LXButton::setDisabledToolTip(const QString& text)
{
    m_disabledToolTip = text.isEmpty() ? text : Bundle::mainBundle().localizedString(text);
}

void LXButton::setTextColor(const QColor& color)
{
    m_textColor = color;
    update();
}

void LXButton::setTextColorName(const QString& description)
{
    m_textColorName = description;
    setTextColor(LXColor::colorFromDescription(description).color());
}

void LXButton::setTextShadowName(const QString& name)
{
    const LXShadowCatalog& catalog = LXShadowCatalog::sharedShadowCatalog();
    const auto known = [&](const QString& suffix, const QString& fallback) {
        return catalog.knows(name + suffix) ? name + suffix : fallback;
    };
    m_shadowNames[1] = name;
    m_shadowNames[0] = known(QStringLiteral("Disabled"), name);
    m_shadowNames[3] = known(QStringLiteral("Down"), name);
    m_shadowNames[2] = known(QStringLiteral("Hover"), m_shadowNames[3]);
    updateButtonState();
    update();
}

void LXButton::setNoScaling(bool on)
{
    m_noScaling = on;
    update();
}

void LXButton::setDisableTracking(bool on)
{
    m_disableTracking = on;
    updateTrackingAreas();
}

void LXButton::setPadding(const ButtonPadding& padding)
{
    m_padding = padding;
    updateGeometry();
    update();
}

void LXButton::setIsRemoteControlled(bool on)
{
    m_isRemoteControlled = on;
    if (m_trackingAreaTimer)
        return;
    QPointer<LXButton> self(this);
    m_trackingAreaTimer = Timer::scheduled(0, false, [self](Timer&) {
        if (self)
            self->updateTrackingAreas();
    });
}

void LXButton::setState(int state)
{
    m_state = state;
    // Always re-applied: the on and off settings differ even when the visual state does not.
    if (m_buttonState != kHover)
        setButtonState(kNormal);
    else {
        updateButtonState();
        update();
    }
}

void LXButton::setButtonState(int state)
{
    if (!isEnabled())
        state = kDisabled;
    if (state == m_buttonState) {
        updateButtonState();
        update();
        return;
    }
    QPointer<LXButton> self(this);
    bool hovered = true;
    const bool click = state == kClick;
    if (!click) {
        hovered = state == kHover || state == kDown;
        if (hovered != m_isHovered && m_target && m_target->metaObject()->indexOfMethod("button(QObject*,bool)") >= 0) {
            QMetaObject::invokeMethod(m_target, "button", Q_ARG(QObject*, this), Q_ARG(bool, hovered));
            if (!self)
                return;
        }
        m_buttonState = state;
    } else {
        if (m_isSwitchButton)
            m_state = m_state == 1 ? 0 : 1;
        m_buttonState = kHover;
    }
    QWidget* window = this->window();
    if (m_buttonState > kNormal) {
        if (!m_hint.isEmpty())
            LXHintController::sendHint(m_hint, key(), window);
        LXCursorStack::pushCursor(QCursor(Qt::PointingHandCursor), key(), window);
        m_effectsWindow = window;
    } else {
        undoHoverEffects();
    }
    m_isHovered = hovered;
    updateButtonState();
    update();
    // The action goes last: the target may disable, re-state or delete the button.
    if (click)
        sendAction();
}

void LXButton::undoHoverEffects()
{
    QWidget* window = m_effectsWindow ? m_effectsWindow.data() : this->window();
    LXHintController::removeHintForKey(key(), window);
    LXCursorStack::popCursorForKey(key(), window);
    m_effectsWindow = nullptr;
    if (m_insideTimer)
        setInsideTimer(nullptr);
    hideToolTip();
}

void LXButton::sendAction()
{
    QPointer<LXButton> self(this);
    if (m_target && !m_action.isEmpty())
        TargetAction::send(m_target, m_action, this);
    if (self)
        emit clicked(m_state != 0);
}

void LXButton::updateButtonState()
{
    const int index = std::clamp(m_buttonState, 0, 3);
    const QString& shadowName = m_shadowNames[index];
    if (!shadowName.isEmpty()) {
        const LXShadowCatalog& catalog = LXShadowCatalog::sharedShadowCatalog();
        if (const auto shadow = catalog.shadowWithName(shadowName))
            m_textShadow = *shadow;
        const QColor color = catalog.textColorForShadowWithName(shadowName);
        if (color.isValid())
            m_textColor = color;
    }
    if (!m_buttonInfo.isEmpty())
        applySettings(ButtonSkin::settingsFor(m_buttonInfo, index, m_state != 0));
}

void LXButton::applySettings(const QVariantMap& s)
{
    const auto has = [&s](const char* key) { return s.contains(QLatin1String(key)); };
    if (has("text.color"))
        m_textColor = LXColor::colorFromDescription(s.value(QStringLiteral("text.color")).toString()).color();
    if (has("text.font")) {
        QFont f = font();
        f.setFamily(s.value(QStringLiteral("text.font")).toString());
        const double size = s.value(QStringLiteral("text.size")).toDouble();
        // A skin is outside text: a size beyond any screen would make Qt
        // rasterise glyphs of gigabytes, and past INT_MAX it has no int value.
        if (size > 0 && std::isfinite(size))
            f.setPixelSize(int(std::lround(std::min(size, 1000.0))));
        if (f != font())
            setFont(f);
    }
    if (has("text.alignment"))
        m_alignment = s.value(QStringLiteral("text.alignment")).toInt();
    if (has("text.shadow")) {
        if (const auto shadow = LXShadowCatalog::shadowWithDescritption(s.value(QStringLiteral("text.shadow"))))
            m_textShadow = *shadow;
    }
    if (has("text.offset.y"))
        m_textOffsetY = s.value(QStringLiteral("text.offset.y")).toDouble();
    if (has("text.margin"))
        m_textMargin = s.value(QStringLiteral("text.margin")).toDouble();
    const ButtonPadding padding{s.value(QStringLiteral("padding.top")).toDouble(),
                                s.value(QStringLiteral("padding.bottom")).toDouble(),
                                s.value(QStringLiteral("padding.left")).toDouble(),
                                s.value(QStringLiteral("padding.right")).toDouble()};
    if (!(padding == m_padding)) {
        m_padding = padding;
        updateGeometry();
    }
}

void LXButton::updateTrackingAreas()
{
    if (m_trackingAreaTimer) {
        m_trackingAreaTimer->invalidate();
        m_trackingAreaTimer.reset();
    }
    if (!parentWidget() || !tracks())
        return;
    if (m_buttonState != kDown)
        setButtonState(underMouse() ? kHover : kNormal);
}

void LXButton::setInsideTimer(std::shared_ptr<Timer> timer)
{
    if (m_insideTimer)
        m_insideTimer->invalidate();
    m_insideTimer = std::move(timer);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.removeObserver(this, kWindowWillCloseNotification, nullptr);
    if (m_insideTimer) {
        QPointer<LXButton> self(this);
        center.addObserver(this, kWindowWillCloseNotification, window(), [self](const Notification&) {
            if (self)
                self->setInsideTimer(nullptr);
        });
    }
}

void LXButton::showToolTipTimed()
{
    setInsideTimer(nullptr);
    const QString text = isEnabled() ? m_toolTip : m_disabledToolTip;
    if (text.isEmpty())
        return;
    m_showsToolTip = true;
    LXToolTipController::sharedController()->showTooltip(text, m_mouseInWindow + QPoint(10, 20), this);
}

void LXButton::hideToolTip()
{
    // Only a button that asked for the tooltip may hide it; this also keeps
    // the shared controller from being made by buttons that never needed it.
    if (!m_showsToolTip)
        return;
    m_showsToolTip = false;
    LXToolTipController::sharedController()->hideForView(this);
}

void LXButton::mouseEntered()
{
    QPointer<LXButton> self(this);
    setInsideTimer(Timer::scheduled(LXToolTipController::toolTipDelay(), false, [self](Timer&) {
        if (self)
            self->showToolTipTimed();
    }));
    if (isEnabled())
        setButtonState(kHover);
}

void LXButton::mouseExited()
{
    QPointer<LXButton> self(this);
    if (isEnabled())
        setButtonState(kNormal);
    if (!self)
        return;
    hideToolTip();
    setInsideTimer(nullptr);
}

void LXButton::mouseDown(QMouseEvent*)
{
    hideToolTip();
    if (isEnabled())
        setButtonState(kDown);
}

void LXButton::mouseDragged(QMouseEvent* event)
{
    if (isEnabled())
        setButtonState(inside(event) ? kDown : kNormal);
}

void LXButton::mouseUp(QMouseEvent* event)
{
    hideToolTip();
    if (isEnabled())
        setButtonState(inside(event) ? kClick : kNormal);
}

bool LXButton::inside(QMouseEvent* event) const
{
    return hitButton(event->position().toPoint());
}

void LXButton::enterEvent(QEnterEvent* event)
{
    m_mouseInWindow = mapTo(window(), event->position().toPoint());
    if (tracks())
        mouseEntered();
}

void LXButton::leaveEvent(QEvent*)
{
    if (tracks())
        mouseExited();
}

void LXButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_mouseInWindow = mapTo(window(), event->position().toPoint());
    mouseDown(event);
}

void LXButton::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        mouseDragged(event);
}

void LXButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mouseUp(event);
}

void LXButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        setButtonState(kDown);
    else
        QAbstractButton::keyPressEvent(event);
}

void LXButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        setButtonState(kClick);
    else
        QAbstractButton::keyReleaseEvent(event);
}

void LXButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        // Back to normal first, so that a button without tracking does not stay drawn disabled.
        setButtonState(isEnabled() ? kNormal : kDisabled);
        updateTrackingAreas();
    }
    QAbstractButton::changeEvent(event);
}

void LXButton::hideEvent(QHideEvent* event)
{
    if (m_buttonState > kNormal)
        setButtonState(kNormal);
    undoHoverEffects();
    QAbstractButton::hideEvent(event);
}

void LXButton::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    updateTrackingAreas();
}

bool LXButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ParentAboutToChange:
        if (m_state == 2)
            m_state = 1;
        setInsideTimer(nullptr);
        undoHoverEffects();
        break;
    case QEvent::ParentChange: {
        const bool result = QAbstractButton::event(event);
        updateTrackingAreas();
        return result;
    }
    case QEvent::ToolTip:
        return true; // the framework's tooltip only
    default:
        break;
    }
    return QAbstractButton::event(event);
}

QColor LXButton::drawnTextColor() const
{
    QColor color = m_textColor;
    if (!isEnabled())
        color.setAlphaF(color.alphaF() / 2);
    return color;
}

QSizeF LXButton::titleSize(double width) const
{
    const QFontMetricsF metrics(font());
    return {std::min(metrics.horizontalAdvance(text()), std::max(0.0, width)), metrics.height()};
}

QRectF LXButton::imageRectIn(const QRectF& rect) const
{
    return ButtonGeometry::imageRectIn(rect, m_padding, m_image.size(), m_imageAlignment);
}

void LXButton::setFocusRingMargin(double margin)
{
    m_focusRingMargin = std::max(0.0, margin);
    update();
}

bool LXButton::showsFocusRing() const
{
    return hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

QPainterPath LXButton::focusRingShape(const QRectF& skin) const
{
    const double radius = std::min(skin.height(), skin.width()) / 2;
    QPainterPath path;
    path.addRoundedRect(skin.adjusted(-m_focusRingMargin / 2, -m_focusRingMargin / 2, m_focusRingMargin / 2,
                                      m_focusRingMargin / 2),
                        radius + m_focusRingMargin / 2, radius + m_focusRingMargin / 2);
    return path;
}

void LXButton::focusInEvent(QFocusEvent* event)
{
    QAbstractButton::focusInEvent(event);
    update();
}

void LXButton::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    update();
}

void LXButton::drawButton(QPainter& painter)
{
    using namespace ButtonGeometry;
    const double m = std::min({m_focusRingMargin, buttonSize().width() / 2, buttonSize().height() / 2});
    const QSizeF size = buttonSize();
    const double height = size.height();
    const QRectF bounds = QRectF(QPointF(0, 0), size).adjusted(m, m, -m, -m);
    const double ratio = pixelRatio(painter);
    const bool on = m_state != 0;
    const int state = std::clamp(m_buttonState, 0, 3);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);

    QRectF drawing = bounds;
    const ImageSet& mids = on ? midImagesOn : midImagesOff;
    if (!mids.isEmpty()) {
        const SkinImage left = ButtonSkin::entry(on ? leftImagesOn : leftImagesOff, state);
        const SkinImage mid = ButtonSkin::entry(mids, state);
        const SkinImage right = ButtonSkin::entry(on ? rightImagesOn : rightImagesOff, state);
        const Background pieces = background(bounds, left.size(), mid.size(), right.size(), m_noScaling);
        drawing = pieces.drawing;
        drawPiece(painter, left, pieces.left, height, ratio);
        drawPiece(painter, mid, pieces.mid, height, ratio);
        drawPiece(painter, right, pieces.right, height, ratio);
    }
    QRectF content = contentRect(drawing, m_padding);
    if (!m_image.isNull()) {
        const QRectF imageRect = imageRectIn(drawing);
        m_image.draw(painter, flippedRect(imageRect, height));
        if (m_imageAlignment != kImageCentre) {
            const double taken = imageRect.width() + m_textMargin;
            content.setWidth(content.width() - taken);
            if (m_imageAlignment == kImageLeft)
                content.translate(taken, 0);
        }
    }
    const SkinImage symbol = ButtonSkin::entry(on ? symbolOn : symbolOff, state);
    const QSizeF symbolSize = ButtonGeometry::symbolSize(symbol.size(), content.size());
    const QSizeF title = text().isEmpty() ? QSizeF() : titleSize(content.width());
    const TitleLayout layout =
        placeTitle(content, title, symbolSize, m_imagePosition, m_alignment, m_textMargin, m_textOffsetY);
    if (!title.isEmpty()) {
        const QRectF rect = flippedRect(layout.title, height);
        const QString shown = QFontMetricsF(font()).elidedText(text(), Qt::ElideRight, rect.width() + 0.5);
        painter.setFont(font());
        painter.setPen(drawnTextColor());
        drawTextWithShadow(painter, rect, qtAlignment(m_alignment) | Qt::AlignVCenter | Qt::TextSingleLine, shown,
                           m_textShadow);
    }
    drawPiece(painter, symbol, layout.symbol, height, ratio);

    if (showsFocusRing()) {
        // Over the skin's edge when there is no margin: a light inner line keeps it apart from a dark skin.
        const QRectF skin = flippedRect(bounds, height);
        const QPainterPath ring = focusRingShape(m > 0 ? skin : skin.adjusted(1.5, 1.5, -1.5, -1.5));
        const QColor accent = palette().color(QPalette::Highlight);
        if (m <= 0) {
            painter.setPen(QPen(QColor(255, 255, 255, 200), 4));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(ring);
        }
        painter.setPen(QPen(accent, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(ring);
    }
}

void LXButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawButton(painter);
}

QSizeF LXButton::intrinsicContentSize() const
{
    const double titleWidth = text().isEmpty() ? 0 : QFontMetricsF(font()).horizontalAdvance(text());
    const double imageWidth = m_image.isNull() ? 0 : imageRectIn(QRectF(0, 0, width(), height())).width();
    return ButtonGeometry::intrinsicSize(m_padding, titleWidth, imageWidth, m_textMargin,
                                         ButtonSkin::entry(symbolOff, 3).size(),
                                         ButtonSkin::entry(midImagesOff, 3).size());
}

QSize LXButton::sizeHint() const
{
    QSizeF size = intrinsicContentSize();
    if (size.height() <= 0)
        size.setHeight(QFontMetricsF(font()).height() + m_padding.top + m_padding.bottom);
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

QString LXButton::description() const
{
    return QStringLiteral("LXButton (%1): %2").arg(m_name, text());
}
