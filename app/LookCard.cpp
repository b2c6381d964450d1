#include "app/LookCard.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>

QFrame* makeLookCard()
{
    auto* card = new QFrame;
    card->setObjectName(QStringLiteral("lookCard"));
    card->setStyleSheet(QStringLiteral("#lookCard { background: #fbfbfd; border: 1px solid #d2d2d7; border-radius: 10px; }"));
    auto* shadow = new QGraphicsDropShadowEffect(card);
    shadow->setBlurRadius(18);
    shadow->setOffset(0, 3);
    shadow->setColor(QColor(0, 0, 0, 90));
    card->setGraphicsEffect(shadow);
    return card;
}
