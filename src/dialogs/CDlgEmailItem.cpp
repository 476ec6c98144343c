// Tested by tests/gui/AddressPanelTest.cpp.
#include "dialogs/CDlgEmailItem.h"

#include <exception>
#include <vector>

#include <QComboBox>

#include "dialogs/DialogIds.h"
#include "store/AddressStore.h"
#include "textfiles/AddressLine.h"
#include "ui/ControlText.h"
#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"

CDlgEmailItem::CDlgEmailItem(AddressStore& store) : TemplateDialog(AddressEditorIds::kTemplate), m_store(store) {
    m_comboGroup = GetDlgItem<QComboBox>(AddressEditorIds::kGroupList);
}

void CDlgEmailItem::OnInitDialog() {
    if (m_nMode == kModeEdit)
        setWindowTitle(QStringLiteral("编辑Email地址"));
    else if (m_nMode == kModeAdd)
        setWindowTitle(QStringLiteral("增加Email地址"));

    m_mapIndexToGroup.clear();
    std::vector<GroupRecord> groups;
    int loaded = 1;
    try {
        loaded = m_store.LoadGroups(groups);
    } catch (const std::exception& error) {
        loaded = 1; // a failed read leaves the list empty; the dialog still shows what it was given
        messageBox(QStringLiteral("读取邮件组失败：\n%1").arg(fromCp936(error.what())), this);
    }
    if (loaded == 0) {
        m_comboGroup->clear();
        int selection = -1;
        for (int i = 0; i < static_cast<int>(groups.size()); ++i) {
            m_comboGroup->insertItem(i, fromCp936(groups[i].name));
            m_mapIndexToGroup[i] = groups[i].id;
            if (groups[i].id == m_nGroupId) selection = i;
        }
        // A drop-down list shows nothing chosen until something is: no group of the caller's, no selection.
        m_comboGroup->setCurrentIndex(selection);
    }
    setControlText(GetDlgItem(AddressEditorIds::kEmail), m_strEmail);
    setControlText(GetDlgItem(AddressEditorIds::kName), m_strName);
}

void CDlgEmailItem::OnOK() {
    std::string email = m_strEmail;
    std::string name = m_strName;
    if (!pullControlText(GetDlgItem(AddressEditorIds::kEmail), email, this)) return;
    if (!pullControlText(GetDlgItem(AddressEditorIds::kName), name, this)) return;
    // Blanks around the address go, as the import trims them. An address the user typed or changed must be one the
    // e-mail check takes, as the import's are; one that came from the book unchanged is kept as it is, so that an
    // edit of the name alone never fails on an older row.
    email = std::string(trimBlanks(email));
    if (email != m_strEmail && !isStorableAddress(email)) {
        messageBox(QStringLiteral("这不是有效的Email地址，请改正后再确定。"), this);
        GetDlgItem(AddressEditorIds::kEmail)->setFocus();
        return;
    }
    const auto group = m_mapIndexToGroup.find(m_comboGroup->currentIndex());
    if (group == m_mapIndexToGroup.end()) {
        // An address under no group would be stored where no list shows it; what was typed stays.
        messageBox(QStringLiteral("请先选择邮件组！"), this);
        m_comboGroup->setFocus();
        return;
    }
    m_strEmail = std::move(email);
    m_strName = std::move(name);
    m_nGroupId = group->second;
    TemplateDialog::OnOK();
}
