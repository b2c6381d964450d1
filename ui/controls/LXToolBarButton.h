#pragma once
// A button whose skin lies inside a tool-bar skin: the bundle folder
// "<barName>.barButton/<name>.button". Nothing loads until both names are
// set. With cutsBar on, the button registers with the LXToolBarView it sits
// in and leaves it when it moves out.
// Thread: main thread.

#include "ui/controls/LXButton.h"
#include "ui/controls/LXToolBarView.h"

#include <QPointer>

class LXToolBarButton : public LXButton {
    Q_OBJECT
    Q_PROPERTY(QString barName READ barName WRITE setBarName)
    Q_PROPERTY(bool cutsBar READ cutsBar WRITE setCutsBar)
public:
    Q_INVOKABLE explicit LXToolBarButton(QWidget* parent = nullptr);
    ~LXToolBarButton() override;

    void setName(const QString& name) override;
    QString barName() const { return m_barName; }
    void setBarName(const QString& name);
    bool cutsBar() const { return m_cutsBar; }
    void setCutsBar(bool on);
    void loadButton();

protected:
    bool event(QEvent* event) override;

private:
    LXToolBarView* toolBar() const;
    void updateBar();

    QString m_barName;
    bool m_cutsBar = false;
    QPointer<LXToolBarView> m_bar; // the bar registered with
};
