#include "util/UndoCoalescing.h"

#include <QAction>
#include <QCoreApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A model whose own key-value entry point records undo, as the effects do.
class Model : public QObject {
    Q_OBJECT
public:
    explicit Model(UndoManager* undo) : undo(undo) {}
    Q_INVOKABLE void setValue(const QVariant& value, const QString& key)
    {
        registerMouseAwareUndoWithTarget(undo, this, values.value(key, 0), key, false);
        values[key] = value;
    }
    UndoManager* undo;
    QVariantMap values;
};

struct World {
    UndoManager undo;
    Model model{&undo};
    bool down = false;
    QWidget surface;
    // Each change arrives in an event-loop turn of its own, as real input does.
    void set(Model& m, const QString& key, int value)
    {
        m.setValue(value, key);
        QCoreApplication::processEvents();
    }
};

struct Row {
    const char* name;
    std::function<void(World&)> act;
    int undoSteps;
    QVariantMap undone, redone;
};

} // namespace

TEST(UndoCoalescing, GesturesBecomeSingleStepsThatUndoAndRedo)
{
    const std::vector<Row> rows = {
        {"two keys are two steps",
         [](World& w) { w.down = true; for (int i = 1; i <= 3; ++i) { w.set(w.model, "a", i); w.set(w.model, "b", i); } },
         2, {{"a", 0}, {"b", 0}}, {{"a", 3}, {"b", 3}}},
        {"keyboard changes are each a step",
         [](World& w) { w.set(w.model, "a", 1); w.set(w.model, "a", 2); }, 2, {{"a", 0}}, {{"a", 2}}},
        {"a release anywhere ends the gesture",
         [](World& w) {
             w.down = true; w.set(w.model, "a", 1); w.set(w.model, "a", 2);
             QTest::mouseRelease(&w.surface, Qt::LeftButton);
             w.set(w.model, "a", 3);
         }, 2, {{"a", 0}}, {{"a", 3}}},
        {"undo in the middle of a gesture leaves a redo step",
         [](World& w) { w.down = true; w.set(w.model, "a", 1); w.set(w.model, "a", 2); w.undo.undo(); },
         0, {{"a", 0}}, {{"a", 2}}},
        {"a destroyed target is skipped",
         [](World& w) {
             auto* gone = new Model(&w.undo);
             w.set(w.model, "a", 1); w.set(*gone, "a", 5); delete gone; w.set(w.model, "a", 2);
         }, 2, {{"a", 0}}, {{"a", 2}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        World w;
        w.surface.show();
        setLeftMouseButtonSource([&w] { return w.down; });
        row.act(w);
        w.down = false;
        gestureEndedFor(&w.model);
        int steps = 0;
        while (w.undo.undo()) ++steps;
        EXPECT_EQ(steps, row.undoSteps);
        for (auto [key, value] : row.undone.asKeyValueRange())
            EXPECT_EQ(w.model.values.value(key, 0), value) << key.toStdString();
        while (w.undo.redo()) {}
        for (auto [key, value] : row.redone.asKeyValueRange())
            EXPECT_EQ(w.model.values.value(key, 0), value) << key.toStdString();
        EXPECT_FALSE(recordingInProgress());
    }
    setLeftMouseButtonSource(nullptr);
}

TEST(UndoCoalescing, UndoAndRedoActionsFollowTheStacks)
{
    UndoManager undo;
    QAction undoAction, redoAction;
    undo.connectActions(&undoAction, &redoAction);
    Model model(&undo);
    model.setValue(1, "a");
    undo.setActionName("Brightness");
    EXPECT_EQ(undoAction.text(), "Undo Brightness");
    EXPECT_TRUE(undoAction.isEnabled());
    EXPECT_FALSE(redoAction.isEnabled());
    undo.undo();
    EXPECT_EQ(redoAction.text(), "Redo Brightness"); // the name travels with the step
    EXPECT_FALSE(undoAction.isEnabled());
}

#include "UndoCoalescingTest.moc"
