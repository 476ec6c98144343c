// The main window's text-file commands: import into the current group, export of the page on show, and the
// duplicate filter. Tested by tests/gui/TextFilesTest.cpp and tests/gui/FilterDialogTest.cpp.
#include <cstring>

#include <QApplication>

#include "app/CCorvaneDlg.h"
#include "dialogs/CDlgFilter.h"
#include "store/AddressStore.h"
#include "textfiles/AddressExport.h"
#include "textfiles/AddressImport.h"
#include "textfiles/TextFileName.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "ui/UserPrompts.h"

namespace {

FileChooser textFileChooser() {
    FileChooser chooser;
    chooser.kind = FileChooser::Kind::Save;
    chooser.filter = QStringLiteral("Text Files (*.txt);;All Files (*)");
    return chooser;
}

} // namespace

void CCorvaneDlg::OnImport() {
    // Addresses stored under no group would be where no list shows them.
    if (m_nGroupId == 0) {
        messageBox(QStringLiteral("请先选择邮件组！"), this);
        return;
    }
    const std::optional<std::string> chosen = prompts().chooseFile(this, textFileChooser());
    if (!chosen) return;
    const std::string path = withTxtExtension(*chosen);
    if (!pathExists(path)) {
        prompts().showMessage(this, QStringLiteral("文件 %1 不存在！").arg(pathForDisplay(path)),
                              QStringLiteral("提示"), PromptIcon::Warning, PromptButtons::Ok);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ImportResult result = importAddresses(m_store, path, m_nGroupId);
    QApplication::restoreOverrideCursor();
    if (result.stopped) {
        messageBox(QStringLiteral("导入在读到第 %1 行时停止，之前的 %2 个地址已经保存。\n%3")
                       .arg(result.lines)
                       .arg(result.stored)
                       .arg(fromCp936(result.failure)),
                   this);
    } else if (!result.failure.empty()) {
        messageBox(QStringLiteral("查询数据库时出错，出错的行没有导入：\n%1").arg(fromCp936(result.failure)), this);
    }
    LoadGroupAsync(m_nGroupId);
}

void CCorvaneDlg::OnExport() {
    const std::optional<std::string> chosen = prompts().chooseFile(this, textFileChooser());
    if (!chosen) return;
    const std::string path = withTxtExtension(*chosen);
    if (pathExists(path) && !askYesNo(QStringLiteral("%1 已经存在，要替换它吗？").arg(pathForDisplay(path)),
                                      QStringLiteral("文件覆盖询问"), this))
        return;
    std::vector<std::string> emails;
    for (int row = 0; row < m_listAddresses->GetItemCount(); ++row)
        emails.push_back(m_listAddresses->GetItemText(row, 0));
    // Written whole or not at all; a failure leaves the file that was there and is said.
    const int error = exportAddresses(path, emails);
    if (error != 0)
        messageBox(QStringLiteral("导出失败，文件没有写入：%1\n%2")
                       .arg(pathForDisplay(path), QString::fromLocal8Bit(std::strerror(error))),
                   this);
}

void CCorvaneDlg::OnFilter() {
    if (m_nGroupId == 0) {
        messageBox(QStringLiteral("请先选择邮件组！"), this);
        return;
    }
    CDlgFilter dialog(m_store);
    dialog.m_nGroupId = m_nGroupId;
    dialog.m_strGroupName = m_strGroupName;
    dialog.DoModal();
}
