#include "util/UndoManager.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/MainQueue.h"

#include <QAction>

UndoManager::UndoManager(QObject* parent) : QObject(parent) {}

UndoManager::~UndoManager() { *m_alive = false; }

void UndoManager::registerUndo(QObject* target, Call call)
{
    if (!target || !call)
        return;
    if (m_recording) {
        m_recording->steps.push_back({target, std::move(call)});
        return;
    }
    if (!m_groupOpen) {
        m_redo.clear();
        m_undo.push_back({});
        m_groupOpen = true;
        // Closed at the end of this event-loop turn; the manager may be gone by then.
        std::weak_ptr<bool> alive = m_alive;
        MainQueue::async([this, alive] {
            if (auto a = alive.lock(); a && *a)
                closeGroup();
        });
    }
    m_undo.back().steps.push_back({target, std::move(call)});
    emit changed();
}

void UndoManager::closeGroup()
{
    if (!m_groupOpen)
        return;
    m_groupOpen = false;
    if (m_undo.back().steps.empty())
        m_undo.pop_back();
    emit changed();
}

void UndoManager::purge(std::vector<Group>& stack) const
{
    for (Group& group : stack)
        std::erase_if(group.steps, [](const Step& s) { return s.target.isNull(); });
    if (&stack == &m_undo && m_groupOpen && stack.back().steps.empty())
        m_groupOpen = false; // the open group's targets are all gone
    std::erase_if(stack, [](const Group& g) { return g.steps.empty(); });
}

bool UndoManager::canUndo() const
{
    purge(m_undo);
    return !m_undo.empty();
}

bool UndoManager::canRedo() const
{
    purge(m_redo);
    return !m_redo.empty();
}

int UndoManager::undoCount() const
{
    purge(m_undo);
    return int(m_undo.size());
}

bool UndoManager::undo() { return run(m_undo, m_redo, m_undoing); }

bool UndoManager::redo() { return run(m_redo, m_undo, m_redoing); }

bool UndoManager::run(std::vector<Group>& from, std::vector<Group>& to, bool& flag)
{
    if (m_recording)
        return false; // undo inside undo: nothing sensible to do
    closeGroup();
    purge(from);
    if (from.empty())
        return false;
    Group group = std::move(from.back());
    from.pop_back();
    Group inverse{{}, group.name};
    m_recording = &inverse;
    flag = true;
    for (auto step = group.steps.rbegin(); step != group.steps.rend(); ++step)
        if (QObject* target = step->target) // may have gone during an earlier step
            step->call(target);
    flag = false;
    m_recording = nullptr;
    if (!inverse.steps.empty())
        to.push_back(std::move(inverse));
    emit changed();
    return true;
}

void UndoManager::removeAllActions()
{
    m_undo.clear();
    m_redo.clear();
    m_groupOpen = false;
    emit changed();
}

void UndoManager::setActionName(const QString& name)
{
    if (m_recording)
        m_recording->name = name;
    else if (!m_undo.empty())
        m_undo.back().name = name;
    else
        return;
    emit changed();
}

QString UndoManager::undoActionName() const
{
    purge(m_undo);
    return m_undo.empty() ? QString() : m_undo.back().name;
}

QString UndoManager::redoActionName() const
{
    if (m_undoing && m_recording)
        return m_recording->name; // the group being recorded is the redo step
    purge(m_redo);
    return m_redo.empty() ? QString() : m_redo.back().name;
}

void UndoManager::connectActions(QAction* undo, QAction* redo)
{
    auto update = [this, undo = QPointer<QAction>(undo), redo = QPointer<QAction>(redo)] {
        const auto title = [](const char* verb, const QString& name) {
            const QString key = QString::fromLatin1(verb);
            const QString v = Bundle::mainBundle().localizedString(key, key, QStringLiteral("Menu"));
            return name.isEmpty() ? v : v + QLatin1Char(' ') + name;
        };
        if (undo) {
            undo->setText(title("Undo", undoActionName()));
            undo->setEnabled(canUndo());
        }
        if (redo) {
            redo->setText(title("Redo", redoActionName()));
            redo->setEnabled(canRedo());
        }
    };
    connect(this, &UndoManager::changed, this, update);
    update();
}
