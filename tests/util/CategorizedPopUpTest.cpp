#include "util/CategorizedPopUp.h"

#include <QComboBox>
#include <QMenu>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

TEST(CategorizedPopUp, OneRowPerStringWithHeadersThatCannotBeChosen)
{
    const QStringList entries = {"Blend-", "Blend Multiply", "Blend Screen", "-", "Plain", "Plain",
                                 "Masks-", "Masks", "Masks Soft", "Wood -", "Wood - Walnut Moulding"};
    QComboBox popUp;
    addEntries(&popUp, entries);
    popUp.show();
    ASSERT_EQ(popUp.count(), entries.size());
    struct Row { int row; const char* title; const char* category; int indent; bool choosable; };
    const Row rows[] = {
        {0, "Blend", "", 0, false}, {1, " Multiply", "Blend", 1, true}, {2, " Screen", "Blend", 1, true},
        {3, "", "", 0, false},      {4, "Plain", "", 0, true},          {5, "Plain", "", 0, true},
        {6, "Masks", "", 0, false}, {7, "Masks", "", 0, true}, // equal to its category: ends the group
        {8, "Masks Soft", "", 0, true},
        {10, " Walnut Moulding", "Wood", 1, true}, // a frame's name: no dash left over
    };
    auto* model = qobject_cast<QStandardItemModel*>(popUp.model());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.row);
        EXPECT_EQ(popUp.itemData(r.row, CategorizedPopUp::TitleRole).toString(), QString(r.title));
        EXPECT_EQ(popUp.itemData(r.row, CategorizedPopUp::CategoryRole).toString(), QString(r.category));
        EXPECT_EQ(popUp.itemData(r.row, CategorizedPopUp::IndentRole).toInt(), r.indent);
        EXPECT_EQ(bool(model->item(r.row)->flags() & Qt::ItemIsEnabled), r.choosable);
    }
    popUp.setCurrentIndex(1);
    QTest::keyClick(&popUp, Qt::Key_Up); // the header above is skipped
    EXPECT_EQ(popUp.currentIndex(), 1);

    QMenu menu;
    addEntries(&menu, entries);
    EXPECT_EQ(menu.actions().size(), entries.size());
    EXPECT_FALSE(menu.actions()[0]->isEnabled());
}
