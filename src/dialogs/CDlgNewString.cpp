// Tested by tests/gui/GroupPanelTest.cpp.
#include "dialogs/CDlgNewString.h"

#include <QLineEdit>

#include "ui/ControlText.h"

namespace {

constexpr int kTemplateId = 130;
constexpr int kTextEdit = 1013;

} // namespace

CDlgNewString::CDlgNewString() : TemplateDialog(kTemplateId) {}

void CDlgNewString::OnInitDialog() {
    if (m_nMode == kModeRename)
        setWindowTitle(QStringLiteral("重命名组名"));
    else if (m_nMode == kModeNewGroup)
        setWindowTitle(QStringLiteral("输入新邮件组组名"));
    QWidget* edit = GetDlgItem(kTextEdit);
    // The edit has no label of its own: the title says what it asks for.
    edit->setAccessibleName(windowTitle());
    SetControlText(edit, m_strText);
}

void CDlgNewString::OnOK() {
    if (!PullControlText(GetDlgItem(kTextEdit), m_strText, this)) return;
    TemplateDialog::OnOK();
}
