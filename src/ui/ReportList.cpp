#include "ui/ReportList.h"

#include <QByteArray>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "ui/Cp936Text.h"

namespace {

constexpr int kDataRole = Qt::UserRole;
// The bytes of each column, kept beside their display so that reading a row gives back exactly what was stored.
constexpr int kBytesRole = Qt::UserRole + 1;

// Draws each cell as usual, then its right and bottom edge: grid lines that cost a line each, and leave the
// style's own drawing of selected rows alone.
class GridLineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

} // namespace

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->hide();
}

void ReportList::InsertColumn(int column, const QString& title, int widthPixels) {
    QTreeWidgetItem* headers = headerItem();
    const int count = columnCount();
    QStringList titles;
    for (int i = 0; i < count; ++i)
        titles << headers->text(i);
    titles.insert(qBound(0, column, count), title);
    setColumnCount(count + 1);
    setHeaderLabels(titles);
    setColumnWidth(qBound(0, column, count), widthPixels);
    header()->show();
}

void ReportList::SetGridLines(bool on) {
    QAbstractItemDelegate* old = itemDelegate();
    setItemDelegate(on ? new GridLineDelegate(this) : new QStyledItemDelegate(this));
    if (old && old->parent() == this) old->deleteLater();
}

int ReportList::InsertItem(int row, const std::string& text) {
    row = qBound(0, row, topLevelItemCount());
    auto* item = new QTreeWidgetItem;
    item->setData(0, kDataRole, 0);
    insertTopLevelItem(row, item);
    SetItemText(row, 0, text);
    return row;
}

void ReportList::SetItemText(int row, int column, const std::string& text) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0) return;
    item->setText(column, fromCp936(text));
    item->setData(column, kBytesRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

void ReportList::SetItemData(int row, std::int64_t data) {
    if (QTreeWidgetItem* item = topLevelItem(row)) item->setData(0, kDataRole, static_cast<qlonglong>(data));
}

std::string ReportList::GetItemText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0) return {};
    const QByteArray bytes = item->data(column, kBytesRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::int64_t ReportList::GetItemData(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kDataRole).toLongLong() : 0;
}

void ReportList::DeleteAllItems() {
    clear();
}

int ReportList::GetFirstSelectedRow() const {
    const int count = topLevelItemCount();
    for (int row = 0; row < count; ++row)
        if (topLevelItem(row)->isSelected()) return row;
    return -1;
}

void ReportList::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit Clicked();
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

void ReportList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (QTreeWidgetItem* item = currentItem()) {
            if (!item->isSelected()) {
                clearSelection();
                item->setSelected(true);
            }
        }
        emit Clicked();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
