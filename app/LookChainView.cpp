#include "app/LookChainView.h"

#include "effects/LXEffect.h"
#include "platform/foundation/Bundle.h"
#include "resources/LXLocalizeHelper.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kRowHeight = 30;
constexpr int kInset = 8;
constexpr QSize kSwitchSize(30, 18);
constexpr QSize kRemoveSize(20, 20);

QString localized(const QString& text)
{
    return Bundle::mainBundle().localizedString(text, text);
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

} // namespace

// One effect of the list. It takes the keyboard focus for its effect; its
// buttons take none, so Tab moves from row to row.
class LookChainRow : public QWidget {
public:
    LookChainRow(LookChainView* view, std::shared_ptr<LXEffect> effect);

    const std::shared_ptr<LXEffect>& effect() const { return m_effect; }
    void setSelected(bool on);
    bool selected() const { return m_selected; }
    // Selection drawn in the strong colour: the row has the focus.
    bool strongSelection() const { return m_selected && hasFocus(); }
    void sync();
    QAbstractButton* switchButton() const { return m_switch; }
    QAbstractButton* removeButton() const { return m_remove; }
    QSize sizeHint() const override { return {220, kRowHeight}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString name() const;
    LookChainView* m_view;
    std::shared_ptr<LXEffect> m_effect;
    QAbstractButton* m_switch;
    QAbstractButton* m_remove;
    bool m_selected = false;
};

namespace {

LookChainRow* rowOf(const QWidget* button)
{
    return static_cast<LookChainRow*>(button->parentWidget());
}

// An on/off switch: a rounded track with a round knob, drawn as paths so it
// stays sharp at any pixel ratio.
class LookSwitch : public QAbstractButton {
public:
    explicit LookSwitch(QWidget* parent) : QAbstractButton(parent)
    {
        setCheckable(true);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        resize(kSwitchSize);
    }
    QSize sizeHint() const override { return kSwitchSize; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette& colours = palette();
        const bool onSelection = rowOf(this)->strongSelection();
        const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QColor fill = isChecked() ? colours.color(QPalette::Highlight)
                                  : withAlpha(colours.color(QPalette::Text), 0.28);
        if (onSelection)
            fill = isChecked() ? colours.color(QPalette::HighlightedText)
                               : withAlpha(colours.color(QPalette::HighlightedText), 0.35);
        if (!isEnabled())
            fill = withAlpha(fill, 0.4);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);

        const double diameter = track.height() - 4;
        const double x = isChecked() ? track.right() - 2 - diameter : track.left() + 2;
        const QRectF knob(x, track.top() + 2, diameter, diameter);
        QColor knobColour = onSelection && isChecked() ? colours.color(QPalette::Highlight) : QColor(Qt::white);
        painter.setBrush(knobColour);
        painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
        painter.drawEllipse(knob);
    }
};

// A small cross, with a round backdrop while the pointer is over it.
class LookRemoveButton : public QAbstractButton {
public:
    explicit LookRemoveButton(QWidget* parent) : QAbstractButton(parent)
    {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        resize(kRemoveSize);
    }
    QSize sizeHint() const override { return kRemoveSize; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor ink = palette().color(rowOf(this)->strongSelection() ? QPalette::HighlightedText : QPalette::Text);
        const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
        if (underMouse() || isDown()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(withAlpha(ink, isDown() ? 0.25 : 0.14));
            painter.drawEllipse(box);
        }
        const QPointF c = box.center();
        const double arm = box.width() * 0.2;
        painter.setPen(QPen(withAlpha(ink, isEnabled() ? 0.75 : 0.3), 1.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
        painter.drawLine(c + QPointF(-arm, arm), c + QPointF(arm, -arm));
    }
};

} // namespace

LookChainRow::LookChainRow(LookChainView* view, std::shared_ptr<LXEffect> effect)
    : QWidget(view), m_view(view), m_effect(std::move(effect)), m_switch(new LookSwitch(this)),
      m_remove(new LookRemoveButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setFixedHeight(kRowHeight);
    QObject::connect(m_switch, &QAbstractButton::clicked, this, [this] { m_view->rowSwitched(this); });
    QObject::connect(m_remove, &QAbstractButton::clicked, this, [this] { m_view->rowRemoveAsked(this); });
    sync();
}

QString LookChainRow::name() const
{
    return m_effect ? LXLocalizeHelper::localizedString(m_effect->displayName()) : QString();
}

void LookChainRow::setSelected(bool on)
{
    if (on == m_selected)
        return;
    m_selected = on;
    update();
    m_switch->update();
    m_remove->update();
}

void LookChainRow::sync()
{
    const QString shown = name();
    setAccessibleName(shown);
    setToolTip(shown);
    m_switch->setEnabled(bool(m_effect));
    m_remove->setEnabled(bool(m_effect));
    m_switch->setChecked(m_effect && m_effect->enabled());
    m_switch->setAccessibleName(localized(QStringLiteral("Enabled")));
    m_remove->setAccessibleName(localized(QStringLiteral("Remove %@")).replace(QLatin1String("%@"), shown));
    m_remove->setToolTip(m_remove->accessibleName());
    update();
}

void LookChainRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    if (m_selected) {
        const QColor fill = colours.color(QPalette::Highlight);
        painter.setPen(Qt::NoPen);
        painter.setBrush(hasFocus() ? fill : withAlpha(fill, 0.3));
        painter.drawRoundedRect(QRectF(rect()).adjusted(2, 1, -2, -1), 5, 5);
    }
    const bool on = m_effect && m_effect->enabled();
    QColor ink = colours.color(strongSelection() ? QPalette::HighlightedText : QPalette::Text);
    if (!on)
        ink = withAlpha(ink, 0.55); // a switched-off effect reads as such beside its switch
    painter.setPen(ink);
    const int left = m_switch->geometry().right() + 1 + kInset;
    const QRect text(left, 0, m_remove->x() - kInset / 2 - left, height());
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(name(), Qt::ElideRight, text.width()));
}

void LookChainRow::resizeEvent(QResizeEvent*)
{
    m_switch->move(kInset, (height() - kSwitchSize.height()) / 2);
    m_remove->move(width() - kInset + 2 - kRemoveSize.width(), (height() - kRemoveSize.height()) / 2);
}

void LookChainRow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        if (m_switch->isEnabled())
            m_switch->click();
        return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (m_remove->isEnabled())
            m_remove->click();
        return;
    case Qt::Key_Up:
        m_view->moveFocus(this, -1);
        return;
    case Qt::Key_Down:
        m_view->moveFocus(this, 1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void LookChainRow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const bool wasSelected = m_selected; // else the focus arriving selects it
    setFocus(Qt::MouseFocusReason);
    if (wasSelected)
        m_view->rowActivated(this);
}

void LookChainRow::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (!m_selected)
        m_view->rowActivated(this);
    update();
    m_switch->update();
    m_remove->update();
}

void LookChainRow::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
    m_switch->update();
    m_remove->update();
}

LookChainView::LookChainView(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setAccessibleName(localized(QStringLiteral("Effects")));
    m_layout->setContentsMargins(4, 4, 4, 4);
    m_layout->setSpacing(2);
    auto* placeholder = new QLabel(localized(QStringLiteral("No Effects")), this);
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setForegroundRole(QPalette::PlaceholderText);
    placeholder->setMinimumHeight(kRowHeight);
    m_placeholder = placeholder;
    m_layout->addWidget(m_placeholder);
    m_layout->addStretch(1);
}

LookChainView::~LookChainView() = default;

void LookChainView::setEffects(std::vector<std::shared_ptr<LXEffect>> effects)
{
    if (effects == m_effects)
        return refresh();
    const std::shared_ptr<LXEffect> selected = effectAt(m_current);
    const int focused = [this] {
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i]->hasFocus())
                return int(i);
        return -1;
    }();
    m_current = -1;
    // Later: the owner may be answering one of the row's own buttons.
    std::vector<LookChainRow*> old;
    old.swap(m_rows);
    for (LookChainRow* row : old) {
        if (row->hasFocus())
            row->clearFocus();
        m_layout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_effects = std::move(effects);
    for (size_t i = 0; i < m_effects.size(); ++i) {
        auto* row = new LookChainRow(this, m_effects[i]);
        m_layout->insertWidget(int(i), row);
        row->show(); // now, so that it can take the focus at once
        // New widgets join the end of the window's Tab order; rows belong where the list is.
        if (QWidget* previous = m_rows.empty() ? tabPredecessor() : m_rows.back())
            QWidget::setTabOrder(previous, row);
        m_rows.push_back(row);
        if (selected && m_effects[i] == selected)
            setCurrentRow(int(i));
    }
    for (const QMetaObject::Connection& watch : m_undoWatches)
        disconnect(watch);
    m_undoWatches.clear();
    for (const std::shared_ptr<LXEffect>& effect : m_effects)
        if (UndoManager* undo = effect ? effect->undoManager() : nullptr)
            m_undoWatches.push_back(connect(undo, &UndoManager::changed, this, &LookChainView::refresh,
                                            Qt::UniqueConnection));
    m_placeholder->setVisible(m_rows.empty());
    updateGeometry();
    // The keyboard stays in the list: on the row that took the removed one's place.
    if (focused >= 0 && !m_rows.empty())
        m_rows[size_t(std::min(focused, rowCount() - 1))]->setFocus(Qt::OtherFocusReason);
}

QWidget* LookChainView::tabPredecessor() const
{
    for (QWidget* widget = previousInFocusChain(); widget && widget != this; widget = widget->previousInFocusChain())
        if (widget->focusPolicy() != Qt::NoFocus && !isAncestorOf(widget))
            return widget;
    return nullptr;
}

void LookChainView::refresh()
{
    for (LookChainRow* row : m_rows)
        row->sync();
}

std::shared_ptr<LXEffect> LookChainView::effectAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_effects[size_t(row)] : nullptr;
}

void LookChainView::setCurrentRow(int row)
{
    if (row < -1 || row >= rowCount())
        row = -1;
    m_current = row;
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i]->setSelected(int(i) == row);
}

QWidget* LookChainView::rowWidget(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)] : nullptr;
}

QAbstractButton* LookChainView::switchAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)]->switchButton() : nullptr;
}

QAbstractButton* LookChainView::removeButtonAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)]->removeButton() : nullptr;
}

QSize LookChainView::sizeHint() const
{
    const int rows = std::max(1, rowCount());
    return {240, 8 + rows * kRowHeight + (rows - 1) * 2};
}

int LookChainView::indexOf(const LookChainRow* row) const
{
    const auto found = std::find(m_rows.begin(), m_rows.end(), row);
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

void LookChainView::rowActivated(LookChainRow* row)
{
    const int index = indexOf(row);
    if (index < 0 || !row->effect())
        return;
    setCurrentRow(index);
    emit effectSelected(index);
}

void LookChainView::rowSwitched(LookChainRow* row)
{
    const int index = indexOf(row);
    const std::shared_ptr<LXEffect>& effect = row->effect();
    if (index < 0 || !effect)
        return;
    const bool on = row->switchButton()->isChecked();
    effect->setEnabled(on);
    row->sync();
    emit enabledChanged(index, on);
}

void LookChainView::rowRemoveAsked(LookChainRow* row)
{
    const int index = indexOf(row);
    if (index >= 0)
        emit removeRequested(index);
}

void LookChainView::moveFocus(LookChainRow* row, int by)
{
    if (QWidget* next = rowWidget(indexOf(row) + by))
        next->setFocus(Qt::OtherFocusReason);
}
