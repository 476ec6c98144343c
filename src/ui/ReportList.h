// A list view in report style: rows of text columns, each row carrying an integer (a 64-bit id), new rows usually
// inserted at the top, several rows selectable. Texts go in and come out as the CP936 bytes they were given.
#pragma once

#include <cstdint>
#include <string>

#include <QTreeWidget>

class ReportList final : public QTreeWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportList)

public:
    explicit ReportList(QWidget* parent = nullptr);

    // Columns appear only when inserted; a list without columns shows no header.
    void InsertColumn(int column, const QString& title, int widthPixels);
    void SetGridLines(bool on);

    // Inserts a row before `row` (0: at the top) with `text` in column 0; returns its index.
    int InsertItem(int row, const std::string& text);
    void SetItemText(int row, int column, const std::string& text);
    void SetItemData(int row, std::int64_t data);
    std::string GetItemText(int row, int column) const;
    std::int64_t GetItemData(int row) const;
    int GetItemCount() const { return topLevelItemCount(); }
    void DeleteAllItems();

    // The first selected row in row order, or -1.
    int GetFirstSelectedRow() const;

signals:
    // A press and release of the left mouse button on the list, also on its empty part (the selection has been
    // updated by then). Space on the keyboard does the same for the current row, so the list's command is
    // reachable without a mouse; moving the selection with the arrow keys sends nothing.
    void Clicked();
    void DoubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
