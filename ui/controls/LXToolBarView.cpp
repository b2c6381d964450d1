#include "ui/controls/LXToolBarView.h"

#include "ui/controls/LXToolBarButton.h"

void LXToolBarView::registerBarButton(LXToolBarButton* button)
{
    if (button && !barButtons().contains(button))
        m_buttons.append(button);
}

void LXToolBarView::removeBarButton(LXToolBarButton* button)
{
    m_buttons.removeIf([button](const QPointer<LXToolBarButton>& b) { return !b || b == button; });
}

QList<LXToolBarButton*> LXToolBarView::barButtons() const
{
    QList<LXToolBarButton*> result;
    for (const auto& button : m_buttons)
        if (button)
            result.append(button);
    return result;
}
