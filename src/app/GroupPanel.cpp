// The group panel of the main window: the list of groups, selecting one, and new, delete and rename.
// Tested by tests/gui/MainWindowTest.cpp.
#include <exception>
#include <vector>

#include "app/CCorvaneDlg.h"
#include "dialogs/CDlgNewString.h"
#include "store/AddressStore.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "ui/UserPrompts.h"
#include "workers/LoaderStarter.h"

int CCorvaneDlg::FillGroupList() {
    m_listGroups->DeleteAllItems();
    std::vector<GroupRecord> groups;
    try {
        if (m_store.LoadGroups(groups) != 0) return 0;
    } catch (const std::exception& error) {
        // A failed read shows no groups; the window goes on, and the user learns that the book is not empty.
        messageBox(QStringLiteral("读取邮件组失败：\n%1").arg(fromCp936(error.what())), this);
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
    pushFields();
}

void CCorvaneDlg::OnNewGroup() {
    CDlgNewString dialog;
    dialog.SetMode(CDlgNewString::kModeNewGroup);
    if (dialog.DoModal() != IDOK) return;
    if (m_store.AddGroup(dialog.m_strText) != 0) {
        messageBox(QStringLiteral("增加失败！"), this);
        return;
    }
    FillGroupList();
}

void CCorvaneDlg::OnDeleteGroup() {
    const int row = m_listGroups->GetFirstSelectedRow();
    if (row < 0) {
        messageBox(QStringLiteral("没有选择删除项"), this);
        return;
    }
    AddressStore& store = m_store;
    const RowId id = m_listGroups->GetItemData(row);
    // A group with addresses goes with them, so the user is asked first, with the group's name and size; an empty
    // group goes at once.
    std::int32_t count = 0;
    try {
        count = store.countGroupAddresses(id).value_or(0);
    } catch (const std::exception& error) {
        messageBox(QStringLiteral("删除失败！\n%1").arg(fromCp936(error.what())), this);
        return;
    }
    if (count > 0 && !askYesNo(QStringLiteral("邮件组“%1”中有 %2 个地址，删除这个组会同时删除这些地址。确定要删除吗？")
                                   .arg(fromCp936(m_listGroups->GetItemText(row, 0)))
                                   .arg(count),
                               QStringLiteral("删除邮件组"), this))
        return;
    const AddressStore::GroupDeletion deletion = store.deleteGroupWithAddresses(id);
    if (!deletion.deleted) {
        messageBox(deletion.failure.empty() ? QStringLiteral("删除失败！")
                                            : QStringLiteral("删除失败！\n%1").arg(fromCp936(deletion.failure)),
                   this);
        return;
    }
    if (id == m_nGroupId) forgetCurrentGroup();
    FillGroupList();
}

void CCorvaneDlg::forgetCurrentGroup() {
    // Nothing may be added under the id of a group that no list shows any more.
    m_loaders->stop();
    m_nGroupId = 0;
    m_strGroupName.clear();
    m_strGroupCaption.clear();
    m_nPage = m_nLastPage = m_nTotal = 0;
    m_strPageLabel.clear();
    m_listAddresses->DeleteAllItems();
    pushFields();
}

void CCorvaneDlg::OnRenameGroup() {
    const int row = m_listGroups->GetFirstSelectedRow();
    if (row < 0) {
        messageBox(QStringLiteral("没有选择编辑项"), this);
        return;
    }
    const RowId id = m_listGroups->GetItemData(row);
    CDlgNewString dialog;
    dialog.SetMode(CDlgNewString::kModeRename);
    if (dialog.DoModal() != IDOK) return;
    if (m_store.RenameGroup(id, dialog.m_strText) != 0) {
        messageBox(QStringLiteral("编辑失败！"), this);
        return;
    }
    FillGroupList();
}
