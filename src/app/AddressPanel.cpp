// The address panel of the main window: paging, and adding, deleting and editing single addresses.
// Tested by tests/gui/MainWindowTest.cpp.
#include <cstdio>

#include "app/CCorvaneDlg.h"
#include "dialogs/CDlgEmailItem.h"
#include "store/AddressStore.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "ui/UserPrompts.h"

void CCorvaneDlg::buildPageLabel() {
    m_strPageLabel = cp936(QStringLiteral("共计%1个 第%2/%3页").arg(m_nTotal).arg(m_nPage + 1).arg(m_nLastPage + 1));
}

void CCorvaneDlg::OnNextPage() {
    if (m_nPage == m_nLastPage) return;
    ++m_nPage;
    ShowPageAsync();
    buildPageLabel();
    pushFields();
}

void CCorvaneDlg::OnPreviousPage() {
    if (m_nPage == 0) return;
    --m_nPage;
    ShowPageAsync();
    buildPageLabel();
    pushFields();
}

void CCorvaneDlg::OnAddAddress() {
    CDlgEmailItem dialog(m_store);
    dialog.SetMode(CDlgEmailItem::kModeAdd);
    dialog.m_nGroupId = m_nGroupId;
    if (dialog.DoModal() != IDOK) return;

    // The check and the insert run as one step under the book's write lock: another program adding the same address
    // at the same instant cannot store it a second time.
    using Outcome = AddressStore::AddOutcome;
    const AddressStore::AddResult result =
        m_store.addAddressIfAbsent(dialog.m_nGroupId, dialog.m_strEmail, dialog.m_strName);
    switch (result.outcome) {
    case Outcome::kAdded:
        LoadGroupAsync(m_nGroupId);
        break;
    case Outcome::kAlreadyInGroup:
        messageBox(QStringLiteral("Email地址已经在该组中存在。"), this);
        break;
    case Outcome::kFailed:
        // Nothing was stored; the user learns why.
        messageBox(fromCp936(result.failure), this);
        break;
    case Outcome::kNotOpen:
        break;
    }
}

void CCorvaneDlg::OnDeleteAddress() {
    const int row = m_listAddresses->GetFirstSelectedRow();
    if (row < 0) {
        messageBox(QStringLiteral("没有选择删除项"), this);
        return;
    }
    if (m_store.DeleteAddress(m_listAddresses->GetItemData(row)) != 0) {
        messageBox(QStringLiteral("删除失败！"), this);
        return;
    }
    LoadGroupAsync(m_nGroupId);
}

void CCorvaneDlg::OnEditAddress() {
    const int row = m_listAddresses->GetFirstSelectedRow();
    if (row < 0) {
        messageBox(QStringLiteral("没有选择编辑项"), this);
        return;
    }
    const RowId id = m_listAddresses->GetItemData(row);
    CDlgEmailItem dialog(m_store);
    dialog.SetMode(CDlgEmailItem::kModeEdit);
    dialog.m_nGroupId = m_nGroupId;
    dialog.m_strEmail = m_listAddresses->GetItemText(row, 0);
    dialog.m_strName = m_listAddresses->GetItemText(row, 1);
    if (dialog.DoModal() != IDOK) return;
    if (m_store.UpdateAddress(id, dialog.m_nGroupId, dialog.m_strEmail, dialog.m_strName) != 0) {
        messageBox(QStringLiteral("编辑失败！"), this);
        return;
    }
    LoadGroupAsync(m_nGroupId);
}
