// The group panel of the main window: the list of groups, selecting one, and new, delete and rename.
// Tested by tests/gui/MainWindowTest.cpp.
#include <exception>
#include <iostream>
#include <vector>

#include "app/CCorvaneDlg.h"
#include "dialogs/CDlgNewString.h"
#include "store/AddressStore.h"
#include "ui/ReportList.h"
#include "ui/UserPrompts.h"

int CCorvaneDlg::FillGroupList() {
    m_listGroups->DeleteAllItems();
    std::vector<GroupRecord> groups;
    try {
        if (AddressStore::instance().LoadGroups(groups) != 0) return 0;
    } catch (const std::exception& error) {
        // A failed read shows no groups; the window goes on.
        std::cerr << "Corvane: cannot read the groups: " << error.what() << '\n';
        return 0;
    }
    for (const GroupRecord& group : groups) {
        const int row = m_listGroups->InsertItem(0, group.name);
        m_listGroups->SetItemData(row, group.id);
    }
    return 0;
}

void CCorvaneDlg::OnClickGroups() {
    const int row = m_listGroups->GetFirstSelectedRow();
    if (row < 0) return;
    m_nGroupId = m_listGroups->GetItemData(row);
    m_strGroupName = m_listGroups->GetItemText(row, 0);
    m_strGroupCaption = m_strGroupName;
    m_nPage = 0;
    LoadGroupAsync(m_nGroupId);
    PushFields();
}

void CCorvaneDlg::OnNewGroup() {
    CDlgNewString dialog;
    dialog.SetMode(CDlgNewString::kModeNewGroup);
    if (dialog.DoModal() != IDOK) return;
    if (AddressStore::instance().AddGroup(dialog.m_strText) != 0) {
        MessageBox(QStringLiteral("增加失败！"), this);
        return;
    }
    FillGroupList();
}

void CCorvaneDlg::OnDeleteGroup() {
    const int row = m_listGroups->GetFirstSelectedRow();
    if (row < 0) {
        MessageBox(QStringLiteral("没有选择删除项"), this);
        return;
    }
    if (AddressStore::instance().DeleteGroup(m_listGroups->GetItemData(row)) != 0) {
        MessageBox(QStringLiteral("删除失败！"), this);
        return;
    }
    FillGroupList();
}

void CCorvaneDlg::OnRenameGroup() {
    const int row = m_listGroups->GetFirstSelectedRow();
    if (row < 0) {
        MessageBox(QStringLiteral("没有选择编辑项"), this);
        return;
    }
    const RowId id = m_listGroups->GetItemData(row);
    CDlgNewString dialog;
    dialog.SetMode(CDlgNewString::kModeRename);
    if (dialog.DoModal() != IDOK) return;
    if (AddressStore::instance().RenameGroup(id, dialog.m_strText) != 0) {
        MessageBox(QStringLiteral("编辑失败！"), this);
        return;
    }
    FillGroupList();
}
