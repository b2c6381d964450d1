#include "app/LookPanel.h"

#include "app/LookCard.h"

#include "effects/EffectSettingsView.h"
#include "effects/LXEffect.h"
#include "platform/foundation/Bundle.h"
#include "resources/LXLocalizeHelper.h"
#include "ui/windows/LXChildSupportWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString localized(const QString& text)
{
    return Bundle::mainBundle().localizedString(text, text);
}

constexpr int kInset = 10; // from the display's edges

} // namespace

LookPanel::LookPanel(LookEditor* editor, QWidget* window, QWidget* display, QObject* parent)
    : QObject(parent), m_editor(editor), m_window(window), m_display(display)
{
    QFrame* card = makeLookCard();
    card->setStyleSheet(card->styleSheet()
                        + QStringLiteral("#lookPanelTitle { font-family: Lato; font-size: 14px; font-weight: bold; "
                                         "color: #1d1d1f; }"
                                         "#lookCard QPushButton { font-family: Lato; font-size: 12px; padding: 3px 12px; }"));

    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(14, 10, 14, 12);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("lookPanelTitle"));
    header->addWidget(m_title, 1);
    auto* done = new QPushButton(localized(QStringLiteral("Done")));
    done->setAutoDefault(false);
    header->addWidget(done);
    column->addLayout(header);
    m_place = new QWidget;
    m_place->setLayout(new QVBoxLayout);
    m_place->layout()->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_place);
    auto* buttons = new QHBoxLayout;
    m_remove = new QPushButton(localized(QStringLiteral("Remove")));
    m_remove->setAutoDefault(false);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    auto* set = new QPushButton(localized(QStringLiteral("Set as Wallpaper")));
    set->setDefault(true);
    buttons->addWidget(set);
    column->addLayout(buttons);

    m_overlay = new LXChildSupportWindow;
    // The card's shadow needs room around it.
    m_overlay->setContentsMargins(12, 12, 12, 12);
    m_overlay->setContent(card);
    m_overlay->setPositioner([this](const QSizeF& area, const QSizeF& size) {
        if (!m_display || !m_window)
            return QRectF(QPointF(area.width() - size.width(), area.height() - size.height()), size);
        // Over the display's top right corner, y up in the window's area.
        const QRect areaRect = LXChildSupportWindow::windowArea(m_window);
        const QPoint topRight = m_display->mapTo(m_window, m_display->rect().topRight());
        const double x = topRight.x() - size.width() + 12 - kInset;
        const double top = topRight.y() - areaRect.top() - 12 + kInset;
        return QRectF(QPointF(x, area.height() - top - size.height()), size);
    });
    connect(done, &QPushButton::clicked, this, &LookPanel::close);
    connect(m_remove, &QPushButton::clicked, this, &LookPanel::removeEffect);
    connect(set, &QPushButton::clicked, this, &LookPanel::setAsWallpaperRequested);
    connect(m_overlay, &LXChildSupportWindow::cancelled, this, &LookPanel::close);
    if (editor)
        connect(editor, &LookEditor::lookChanged, this, &LookPanel::lookChanged);
}

LookPanel::~LookPanel()
{
    releaseView();
    delete m_overlay.data();
}

bool LookPanel::isShown() const
{
    return m_overlay && m_overlay->isVisible();
}

void LookPanel::showEffect(const std::shared_ptr<LXEffect>& effect)
{
    releaseView();
    m_effect = effect;
    if (!effect || !m_overlay || !m_window) {
        close();
        return;
    }
    m_title->setText(LXLocalizeHelper::localizedString(effect->displayName()));
    m_remove->setText(localized(placeOfEffect() == -1 ? QStringLiteral("No Frame") : QStringLiteral("Remove")));
    m_view = effect->settingsView();
    if (m_view) {
        // Built at its size, with no size hint of its own: the layout keeps
        // that size, wider where a pop-up's entry would be cut.
        auto* settings = qobject_cast<EffectSettingsView*>(m_view.data());
        m_view->setFixedSize(settings ? settings->fittingWidth() : EffectSettingsView::kWidth, m_view->height());
        m_place->layout()->addWidget(m_view);
        m_view->show();
        // Every move of a control reaches the editor, which compares once per turn.
        if (m_editor)
            connect(effect.get(), &LXEffect::settingsChanged, m_editor.data(), &LookEditor::noteEdit,
                    Qt::UniqueConnection);
    }
    m_place->setVisible(m_view && m_view->height() > 0);
    m_overlay->content()->adjustSize();
    m_overlay->resize(m_overlay->sizeHint());
    m_overlay->attachToWindow(m_window);
    m_overlay->reposition();
    m_overlay->showAsKey();
    emit placed();
}

void LookPanel::close()
{
    releaseView();
    m_effect.reset();
    if (m_overlay && m_overlay->parentWindow()) {
        m_overlay->detach();
        emit placed();
    }
}

void LookPanel::releaseView()
{
    // The view goes back to its effect, which keeps it for the next showing;
    // an effect already gone (undone, reset) left it to the panel.
    if (m_view) {
        m_view->hide();
        if (const std::shared_ptr<LXEffect> effect = m_effect.lock(); effect && m_editor)
            disconnect(effect.get(), &LXEffect::settingsChanged, m_editor.data(), nullptr);
        if (m_effect.expired())
            delete m_view.data();
        else
            m_view->setParent(nullptr);
    }
    m_view = nullptr;
}

int LookPanel::placeOfEffect() const
{
    const std::shared_ptr<LXEffect> effect = m_effect.lock();
    if (!effect || !m_editor)
        return -2;
    const auto& effects = m_editor->chain().effects();
    for (size_t i = 0; i < effects.size(); ++i)
        if (effects[i] == effect)
            return int(i);
    return m_editor->chain().frame() == effect ? -1 : -2;
}

void LookPanel::lookChanged()
{
    // Undone, reset or removed: the panel has nothing left to edit.
    if (isShown() && placeOfEffect() == -2)
        close();
}

void LookPanel::removeEffect()
{
    const int place = placeOfEffect();
    close();
    if (!m_editor || place == -2)
        return;
    if (place == -1)
        m_editor->setFrame({});
    else
        m_editor->removeEffect(place);
}
