// Tested by tests/gui/GroupPanelTest.cpp.
#include "dialogs/CDlgNewString.h"

#include <QLineEdit>

#include "dialogs/DialogIds.h"
#include "ui/ControlText.h"

CDlgNewString::CDlgNewString() : TemplateDialog(NameEntryIds::kTemplate) {}

void CDlgNewString::OnInitDialog() {
    if (m_nMode == kModeRename)
        setWindowTitle(QStringLiteral("重命名组名"));
    else if (m_nMode == kModeNewGroup)
        setWindowTitle(QStringLiteral("输入新邮件组组名"));
    QWidget* edit = GetDlgItem(NameEntryIds::kText);
    // The edit has no label of its own: the title says what it asks for.
    edit->setAccessibleName(windowTitle());
    setControlText(edit, m_strText);
}

void CDlgNewString::OnOK() {
    if (!pullControlText(GetDlgItem(NameEntryIds::kText), m_strText, this)) return;
    TemplateDialog::OnOK();
}
