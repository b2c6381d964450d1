#pragma once
// Fills pop-ups from flat lists of strings in which separators and group
// headers are marked in the strings themselves:
//   "-"            a separator
//   "Group-"       a header "Group" (after translation) that cannot be chosen,
//                  neither by mouse nor by keyboard; it opens a group
//   "Group Word"   inside that group: the entry " Word", indented, followed
//                  by "Group" in light grey ("Group - Word" too)
//   anything else  a plain entry; it ends the group
// Every string is translated first (LXLocalizeHelper::localizedString).
//
// QComboBox: exactly one model row per string, in order (separators and
// headers included), so row i stands for string i; duplicates are kept. The
// categories are drawn by a delegate installed on the combo's view; the
// closed combo shows "title category".
// QMenu: one action per string, in the same order; headers are disabled.
//
// null: a null combo or menu gets nothing; a null category is none.
// Ownership: Qt's. Thread: main thread.
#include <QString>
#include <QStringList>

class QComboBox;
class QMenu;

namespace CategorizedPopUp {
// Item data roles of the combo's rows.
// TitleRole: the title without its category; CategoryRole: the category (or
// empty); IndentRole: the indentation level; HeaderRole: true on headers.
enum Role { CategoryRole = 0x0100 + 40, IndentRole, HeaderRole, TitleRole };
} // namespace CategorizedPopUp

void addEntries(QComboBox* popUp, const QStringList& entries);
void addEntryWithTitle(QComboBox* popUp, const QString& title, const QString& category);
void addEntries(QMenu* menu, const QStringList& entries);
void addEntryWithTitle(QMenu* menu, const QString& title, const QString& category);
