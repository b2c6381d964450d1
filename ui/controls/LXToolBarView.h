#pragma once
// A minimal tool bar: a plain view that keeps the tool-bar buttons that
// registered with it (weakly, in the order they came, each once).
// Thread: main thread.

#include <QList>
#include <QPointer>
#include <QWidget>

class LXToolBarButton;

class LXToolBarView : public QWidget {
    Q_OBJECT
public:
    Q_INVOKABLE explicit LXToolBarView(QWidget* parent = nullptr) : QWidget(parent) {}

    void registerBarButton(LXToolBarButton* button);
    void removeBarButton(LXToolBarButton* button);
    // The registered buttons still alive.
    QList<LXToolBarButton*> barButtons() const;

private:
    QList<QPointer<LXToolBarButton>> m_buttons;
};
