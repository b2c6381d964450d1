#include "util/CategorizedPopUp.h"

#include "resources/LXLocalizeHelper.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QMenu>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

using namespace CategorizedPopUp;

namespace {

constexpr int kIndent = 14;

QColor categoryColor(const QPalette& palette)
{
    // Light grey that still reads on dark themes.
    const QColor text = palette.color(QPalette::Text);
    return text.lightness() < 128 ? QColor(150, 150, 150) : QColor(130, 130, 130);
}

bool isSeparator(const QModelIndex& index)
{
    return index.data(Qt::AccessibleDescriptionRole).toString() == QLatin1String("separator");
}

// Draws headers in bold, entries indented with their category in grey.
class Delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (isSeparator(index)) {
            const int y = option.rect.center().y();
            painter->save();
            painter->setPen(QColor(128, 128, 128, 90));
            painter->drawLine(option.rect.left() + 6, y, option.rect.right() - 6, y);
            painter->restore();
            return;
        }
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString category = index.data(CategoryRole).toString();
        const bool header = index.data(HeaderRole).toBool();
        const int indent = index.data(IndentRole).toInt() * kIndent;
        opt.rect.adjust(indent, 0, 0, 0);
        if (header) {
            opt.font.setBold(true);
            opt.state |= QStyle::State_Enabled; // readable, although it cannot be chosen
            opt.state &= ~(QStyle::State_Selected | QStyle::State_MouseOver);
            opt.palette.setColor(QPalette::Text, option.palette.color(QPalette::Active, QPalette::Text));
        }
        if (category.isEmpty()) {
            QStyledItemDelegate::paint(painter, opt, index);
            return;
        }
        // Background and selection by the style, then the two-coloured text.
        const QString title = index.data(TitleRole).toString();
        opt.text.clear();
        QStyle* style = opt.widget ? opt.widget->style() : nullptr;
        if (style)
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        const QRect text = style ? style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget) : opt.rect;
        painter->save();
        painter->setFont(opt.font);
        const bool selected = opt.state & QStyle::State_Selected;
        painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        painter->drawText(text, flags, title);
        const int advance = opt.fontMetrics.horizontalAdvance(title + QLatin1Char(' '));
        painter->setPen(selected ? opt.palette.color(QPalette::HighlightedText) : categoryColor(opt.palette));
        painter->drawText(text.adjusted(advance, 0, 0, 0), flags, category);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (isSeparator(index))
            return {0, 7};
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(IndentRole).toInt() * kIndent;
        return size;
    }
};

QStandardItemModel* standardModel(QComboBox* popUp)
{
    auto* model = qobject_cast<QStandardItemModel*>(popUp->model());
    if (model && !dynamic_cast<Delegate*>(popUp->view()->itemDelegate()))
        popUp->view()->setItemDelegate(new Delegate(popUp->view()));
    return model;
}

// Walks the list by the rules; the callbacks append.
template <typename Separator, typename Header, typename Entry>
void fill(const QStringList& entries, Separator separator, Header header, Entry entry)
{
    QString category;
    for (const QString& raw : entries) {
        const QString text = LXLocalizeHelper::localizedString(raw);
        if (raw == QLatin1String("-")) {
            separator();
        } else if (text.endsWith(QLatin1Char('-'))) {
            category = text.chopped(1).trimmed(); // "Wood -" heads "Wood - Walnut Moulding"
            header(category);
        } else if (!category.isEmpty() && text.size() > category.size() && text.startsWith(category)) {
            // "Wood - Walnut Moulding" is " Walnut Moulding" in "Wood", not " - Walnut Moulding".
            QString title = text.mid(category.size());
            if (title.startsWith(QLatin1String(" - ")) && title.size() > 3)
                title.remove(0, 2);
            entry(title, category, 1);
        } else {
            entry(text, QString(), 0);
            category.clear();
        }
    }
}

} // namespace

void addEntryWithTitle(QComboBox* popUp, const QString& title, const QString& category)
{
    if (!popUp)
        return;
    standardModel(popUp); // installs the delegate
    popUp->addItem(category.isEmpty() ? title : title + QLatin1Char(' ') + category);
    const int row = popUp->count() - 1;
    popUp->setItemData(row, title, TitleRole);
    popUp->setItemData(row, category, CategoryRole);
}

void addEntries(QComboBox* popUp, const QStringList& entries)
{
    if (!popUp)
        return;
    QStandardItemModel* model = standardModel(popUp);
    fill(
        entries, [&] { popUp->insertSeparator(popUp->count()); },
        [&](const QString& title) {
            popUp->addItem(title);
            popUp->setItemData(popUp->count() - 1, true, HeaderRole);
            popUp->setItemData(popUp->count() - 1, title, TitleRole);
            if (model) // neither clicked nor reached by the arrow keys
                model->item(popUp->count() - 1)->setFlags(Qt::NoItemFlags);
        },
        [&](const QString& title, const QString& category, int indent) {
            addEntryWithTitle(popUp, title, category);
            popUp->setItemData(popUp->count() - 1, indent, IndentRole);
        });
}

void addEntryWithTitle(QMenu* menu, const QString& title, const QString& category)
{
    if (!menu)
        return;
    QAction* action = menu->addAction(category.isEmpty() ? title : title + QLatin1Char(' ') + category);
    action->setData(title);
}

void addEntries(QMenu* menu, const QStringList& entries)
{
    if (!menu)
        return;
    fill(
        entries, [&] { menu->addSeparator(); },
        [&](const QString& title) {
            QAction* header = menu->addAction(title);
            QFont font = header->font();
            font.setBold(true);
            header->setFont(font);
            header->setEnabled(false);
        },
        [&](const QString& title, const QString& category, int indent) {
            // QMenu has no indentation level; leading spaces stand for it.
            addEntryWithTitle(menu, QString(indent * 4, QLatin1Char(' ')) + title, category);
        });
}
