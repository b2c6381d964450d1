#include "app/LookEditor.h"

#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "platform/desktop/Alert.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "util/UndoCoalescing.h"

#include <QPointer>

namespace {

const QString kLookKey = QStringLiteral("look");

QString displayNameOf(const QVariantMap& settings)
{
    const QString name = settings.value(QStringLiteral("name")).toString();
    const QString shown = LXEffectsCatalog::sharedEffectsCatalog()
                              .catalog()
                              .value(name)
                              .toMap()
                              .value(QStringLiteral("displayName"))
                              .toString();
    return shown.isEmpty() ? name : shown;
}

} // namespace

LookEditor::LookEditor(QObject* parent) : QObject(parent)
{
    m_chain.setUndoManager(&m_undo);
    // An undo or redo of an effect's own step changes the look too.
    connect(&m_undo, &UndoManager::changed, this, &LookEditor::noteEdit);
}

LookEditor::~LookEditor()
{
    if (m_chain.look() != m_saved)
        m_chain.look().saveToUserDefaults(); // a drag still under way
    if (m_observer)
        UserDefaults::standardUserDefaults().removeKeyObserver(m_observer);
    m_chain.setUndoManager(nullptr);
}

void LookEditor::load()
{
    const Look look = Look::fromUserDefaults();
    if (!m_chain.setLook(look).ok())
        Log::line(lcApp, QStringLiteral("Warning: the remembered look cannot be made; the photo stays plain"));
    m_saved = m_chain.look();
    if (!m_observer)
        m_observer = UserDefaults::standardUserDefaults().addKeyObserver(
            kLookKey, [this](const QVariant& value) { takeDefault(value); });
    showChanged();
}

void LookEditor::takeDefault(const QVariant&)
{
    // Another process (the command line) chose a look: it becomes the current one.
    const Look look = Look::fromUserDefaults();
    if (look == m_saved)
        return;
    changeLook(look, Alert::localizedText(QStringLiteral("Change Look"), {}));
}

bool LookEditor::changeLook(const Look& look, const QString& actionName)
{
    const Look old = m_chain.look();
    if (look == old)
        return true;
    if (const Result<> made = m_chain.setLook(look); !made.ok()) {
        Log::line(lcApp, QStringLiteral("Warning: the look cannot be made: %1").arg(made.reason()));
        return false;
    }
    m_undo.registerUndo(this, [old, actionName](QObject* target) {
        static_cast<LookEditor*>(target)->changeLook(old, actionName);
    });
    m_undo.setActionName(actionName);
    lookDidChange();
    return true;
}

bool LookEditor::appendEffect(const QVariantMap& settings)
{
    Look look = m_chain.look();
    look.effects.append(settings);
    return changeLook(look, Alert::localizedText(QStringLiteral("Add %@"), {displayNameOf(settings)}));
}

bool LookEditor::removeEffect(int index)
{
    Look look = m_chain.look();
    if (index < 0 || index >= look.effects.size())
        return false;
    const QVariantMap removed = look.effects.takeAt(index).toMap();
    return changeLook(look, Alert::localizedText(QStringLiteral("Remove %@"), {displayNameOf(removed)}));
}

bool LookEditor::setFrame(const QVariantMap& frame)
{
    Look look = m_chain.look();
    look.frame = frame;
    return changeLook(look, Alert::localizedText(QStringLiteral("Change Frame"), {}));
}

void LookEditor::reset()
{
    changeLook(Look(), Alert::localizedText(QStringLiteral("Reset Look"), {}));
}

void LookEditor::previewLook(const Look& look)
{
    if (!m_preview.setLook(look).ok()) {
        endPreview();
        return;
    }
    m_previewing = true;
    showChanged();
}

void LookEditor::endPreview()
{
    if (!m_previewing)
        return;
    m_previewing = false;
    m_preview.setLook(Look());
    showChanged();
}

void LookEditor::onceOnNextTurn(bool LookEditor::*queued, void (LookEditor::*then)())
{
    if (this->*queued)
        return;
    this->*queued = true;
    QPointer<LookEditor> self(this);
    MainQueue::async([self, queued, then] {
        if (!self)
            return;
        self.data()->*queued = false;
        (self.data()->*then)();
    });
}

void LookEditor::noteEdit()
{
    // Many controls report one gesture: compared once, on the next turn.
    onceOnNextTurn(&LookEditor::m_editQueued, &LookEditor::commitEdit);
}

void LookEditor::commitEdit()
{
    if (m_chain.look() == m_saved)
        return;
    if (!recordingInProgress()) {
        lookDidChange();
        return;
    }
    // A drag: the display follows every move, the settings file its end.
    showChanged();
    if (m_waitingForGesture)
        return;
    m_waitingForGesture = true;
    QPointer<LookEditor> self(this);
    whenGestureEnds([self] {
        if (!self)
            return;
        self->m_waitingForGesture = false;
        self->commitEdit();
    });
}

void LookEditor::lookDidChange()
{
    m_saved = m_chain.look();
    m_saved.saveToUserDefaults();
    emit lookChanged();
    showChanged();
}

void LookEditor::showChanged()
{
    onceOnNextTurn(&LookEditor::m_showQueued, &LookEditor::shownLookChanged);
}
