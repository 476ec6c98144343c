// Tested by tests/gui/GroupPanelTest.cpp.
#include "app/GroupPanel.h"

#include <exception>
#include <vector>

#include <QPushButton>

#include "app/MainWindowIds.h"
#include "dialogs/CDlgNewString.h"
#include "store/AddressStore.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "ui/TemplateDialog.h"
#include "ui/UserPrompts.h"

using namespace MainWindowIds;

GroupPanel::GroupPanel(TemplateDialog& window, AddressStore& store, Host& host)
    : m_window(window), m_store(store), m_host(host), m_listGroups(window.GetDlgItem<ReportList>(kGroupList)) {
    const std::pair<int, void (GroupPanel::*)()> buttons[] = {
        {kNewGroup, &GroupPanel::OnNewGroup},
        {kDeleteGroup, &GroupPanel::OnDeleteGroup},
        {kRenameGroup, &GroupPanel::OnRenameGroup},
    };
    for (const auto& [id, handler] : buttons)
        if (auto* button = window.GetDlgItem<QPushButton>(id))
            QObject::connect(button, &QPushButton::clicked, &window, [this, handler = handler] { (this->*handler)(); });
    QObject::connect(m_listGroups, &ReportList::Clicked, &window, [this] { OnClickGroups(); });
}

void GroupPanel::setUp() {
    m_listGroups->SetGridLines(true);
    m_listGroups->InsertColumn(0, QStringLiteral("地址组"), 140);
}

int GroupPanel::FillGroupList() {
    m_listGroups->DeleteAllItems();
    std::vector<GroupRecord> groups;
    try {
        if (m_store.LoadGroups(groups) != 0) return 0;
    } catch (const std::exception& error) {
        // A failed read shows no groups; the window goes on, and the user learns that the book is not empty.
        messageBox(QStringLiteral("读取邮件组失败：\n%1").arg(fromCp936(error.what())), &m_window);
        return 0;
    }
    for (const GroupRecord& group : groups) {
        const int row = m_listGroups->InsertItem(0, group.name);
        m_listGroups->SetItemData(row, group.id);
    }
    return 0;
}

std::optional<std::string> GroupPanel::selectGroup(RowId id) {
    for (int row = 0; row < m_listGroups->GetItemCount(); ++row) {
        if (m_listGroups->GetItemData(row) != id) continue;
        QTreeWidgetItem* item = m_listGroups->topLevelItem(row);
        m_listGroups->clearSelection();
        m_listGroups->setCurrentItem(item);
        item->setSelected(true);
        m_listGroups->scrollToItem(item);
        return m_listGroups->GetItemText(row, 0);
    }
    return std::nullopt;
}

void GroupPanel::OnClickGroups() {
    const int row = m_listGroups->GetFirstSelectedRow();
    if (row < 0) return;
    m_host.groupChosen(m_listGroups->GetItemData(row), m_listGroups->GetItemText(row, 0));
}

void GroupPanel::OnNewGroup() {
    CDlgNewString dialog;
    dialog.SetMode(CDlgNewString::kModeNewGroup);
    if (dialog.DoModal() != IDOK) return;
    if (m_store.AddGroup(dialog.m_strText) != 0) {
        messageBox(QStringLiteral("增加失败！"), &m_window);
        return;
    }
    FillGroupList();
}

void GroupPanel::OnDeleteGroup() {
    const int row = m_listGroups->GetFirstSelectedRow();
    if (row < 0) {
        messageBox(QStringLiteral("没有选择删除项"), &m_window);
        return;
    }
    const RowId id = m_listGroups->GetItemData(row);
    // A group with addresses goes with them, so the user is asked first, with the group's name and size; an empty
    // group goes at once.
    std::int32_t count = 0;
    try {
        count = m_store.countGroupAddresses(id).value_or(0);
    } catch (const std::exception& error) {
        messageBox(QStringLiteral("删除失败！\n%1").arg(fromCp936(error.what())), &m_window);
        return;
    }
    if (count > 0 && !askYesNo(QStringLiteral("邮件组“%1”中有 %2 个地址，删除这个组会同时删除这些地址。确定要删除吗？")
                                   .arg(fromCp936(m_listGroups->GetItemText(row, 0)))
                                   .arg(count),
                               QStringLiteral("删除邮件组"), &m_window))
        return;
    const AddressStore::GroupDeletion deletion = m_store.deleteGroupWithAddresses(id);
    if (!deletion.deleted) {
        messageBox(deletion.failure.empty() ? QStringLiteral("删除失败！")
                                            : QStringLiteral("删除失败！\n%1").arg(fromCp936(deletion.failure)),
                   &m_window);
        return;
    }
    m_host.groupDeleted(id);
    FillGroupList();
}

void GroupPanel::OnRenameGroup() {
    const int row = m_listGroups->GetFirstSelectedRow();
    if (row < 0) {
        messageBox(QStringLiteral("没有选择编辑项"), &m_window);
        return;
    }
    const RowId id = m_listGroups->GetItemData(row);
    CDlgNewString dialog;
    dialog.SetMode(CDlgNewString::kModeRename);
    if (dialog.DoModal() != IDOK) return;
    if (m_store.RenameGroup(id, dialog.m_strText) != 0) {
        messageBox(QStringLiteral("编辑失败！"), &m_window);
        return;
    }
    FillGroupList();
}
