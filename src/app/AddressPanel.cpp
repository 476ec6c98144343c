// Tested by tests/gui/AddressPanelTest.cpp, tests/gui/TextFilesTest.cpp and tests/gui/FilterDialogTest.cpp.
#include "app/AddressPanel.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/ImportInBackground.h"
#include "app/MainWindowIds.h"
#include "dialogs/CDlgEmailItem.h"
#include "dialogs/CDlgFilter.h"
#include "store/AddressStore.h"
#include "textfiles/AddressExport.h"
#include "textfiles/AddressImport.h"
#include "textfiles/TextFileName.h"
#include "ui/ControlText.h"
#include "ui/Cp936Text.h"
#include "ui/DialogUnits.h"
#include "ui/ReportList.h"
#include "ui/TemplateDialog.h"
#include "ui/UserPrompts.h"
#include "workers/LoaderStarter.h"
#include "workers/Loaders.h"
#include "workers/WorkerNotice.h"

using namespace MainWindowIds;

namespace {

FileChooser textFileChooser(FileChooser::Kind kind) {
    FileChooser chooser;
    chooser.kind = kind;
    chooser.filter = QStringLiteral("Text Files (*.txt);;All Files (*)");
    return chooser;
}

} // namespace

AddressPanel::AddressPanel(TemplateDialog& window, AddressStore& store, LoaderStarter& loaders)
    : m_window(window), m_store(store), m_loaders(loaders),
      m_listAddresses(window.GetDlgItem<ReportList>(kAddressList)) {
    const std::pair<int, void (AddressPanel::*)()> buttons[] = {
        {kAddAddress, &AddressPanel::OnAddAddress},
        {kDeleteAddress, &AddressPanel::OnDeleteAddress},
        {kEditAddress, &AddressPanel::OnEditAddress},
        {kFilter, &AddressPanel::OnFilter},
        {kImport, &AddressPanel::OnImport},
        {kExport, &AddressPanel::OnExport},
        {kPreviousPage, &AddressPanel::OnPreviousPage},
        {kNextPage, &AddressPanel::OnNextPage},
    };
    for (const auto& [id, handler] : buttons)
        if (auto* button = window.GetDlgItem<QPushButton>(id))
            QObject::connect(button, &QPushButton::clicked, &window, [this, handler = handler] { (this->*handler)(); });
    QObject::connect(m_listAddresses, &ReportList::DoubleClicked, &window, [this] { OnEditAddress(); });
}

void AddressPanel::setUp() {
    m_listAddresses->SetGridLines(true);
    m_listAddresses->InsertColumn(0, QStringLiteral("Email"), 140);
    m_listAddresses->InsertColumn(1, QStringLiteral("姓名"), 90);
}

void AddressPanel::setUpCaption() {
    // A bold sans-serif caption whose character cell is 15 pixels tall.
    m_captionFont = templateFont(QStringLiteral("Arial"), 9);
    m_captionFont.setPixelSize(13);
    m_captionFont.setBold(true);
    if (QWidget* caption = m_window.GetDlgItem(kGroupCaption)) {
        caption->setFont(m_captionFont);
        caption->repaint();
    }
}

void AddressPanel::showGroup(RowId id, const std::string& name) {
    m_pageWanted = -1;
    m_rowWanted = 0;
    m_nGroupId = id;
    m_strGroupName = name;
    m_strGroupCaption = m_strGroupName;
    m_nPage = 0;
    LoadGroupAsync(m_nGroupId);
    pushFields();
}

void AddressPanel::showAddress(RowId id, const std::string& name, std::int64_t position, RowId addressId) {
    showGroup(id, name);
    m_pageWanted = static_cast<std::int32_t>(position / PAGE_SIZE);
    m_rowWanted = addressId;
}

void AddressPanel::forgetGroup(RowId id) {
    if (id != m_nGroupId) return;
    m_loaders.stop();
    m_nGroupId = 0;
    m_strGroupName.clear();
    m_strGroupCaption.clear();
    m_nPage = m_nLastPage = m_nTotal = 0;
    m_strPageLabel.clear();
    m_listAddresses->DeleteAllItems();
    pushFields();
}

void AddressPanel::takeRow(const WorkerNotice& notice) {
    const int row = m_listAddresses->InsertItem(0, notice.strText);
    m_listAddresses->SetItemData(row, notice.nValue);
    m_listAddresses->SetItemText(row, 1, notice.strName);
    if (m_rowWanted != 0 && notice.nValue == m_rowWanted && m_pageWanted < 0) {
        m_rowWanted = 0;
        QTreeWidgetItem* item = m_listAddresses->topLevelItem(row);
        m_listAddresses->clearSelection();
        m_listAddresses->setCurrentItem(item);
        item->setSelected(true);
        m_listAddresses->scrollToItem(item);
    }
    // One paint as soon as the window is idle, which the loader's pause after each row gives it: each row shows as
    // it arrives, without painting the list twice per row.
    m_listAddresses->viewport()->update();
}

void AddressPanel::takeTotal(const WorkerNotice& notice) {
    m_nLastPage = notice.nLastPage;
    m_nPage = 0;
    m_nTotal = static_cast<std::int32_t>(notice.nValue);
    if (m_pageWanted >= 0) {
        m_nPage = std::min(m_pageWanted, m_nLastPage);
        m_pageWanted = -1;
        // The group's loader waits for this notice to be handled, and a new loader stops it first: the page is
        // asked for once the handler has returned.
        if (m_nPage != 0)
            QTimer::singleShot(0, &m_window, [this, group = m_nGroupId, page = m_nPage] {
                if (group == m_nGroupId && page == m_nPage) ShowPageAsync();
            });
    }
    buildPageLabel();
    pushFields();
}

void AddressPanel::pushFields() {
    setControlText(m_window.GetDlgItem(kGroupCaption), m_strGroupCaption);
    setControlText(m_window.GetDlgItem(kPageLabel), m_strPageLabel);
    // Numbers and names are never cut: a long name ends in "…" (between characters), whole in its tooltip, and the
    // paging label takes a smaller font until its seven-digit counts fit.
    if (auto* caption = m_window.GetDlgItem<QLabel>(kGroupCaption)) {
        const QString name = caption->text();
        const QString shown = caption->fontMetrics().elidedText(name, Qt::ElideRight, caption->contentsRect().width());
        caption->setText(shown);
        caption->setToolTip(shown == name ? QString() : name);
    }
    if (auto* label = m_window.GetDlgItem<QLabel>(kPageLabel)) {
        QFont font = m_window.font(); // the dialog's own font, before any shrinking
        for (int step = 0;
             step < 12 && QFontMetrics(font).horizontalAdvance(label->text()) > label->contentsRect().width(); ++step) {
            if (font.pointSizeF() > 0)
                font.setPointSizeF(font.pointSizeF() * 0.92);
            else
                font.setPixelSize(std::max(6, font.pixelSize() - 1));
        }
        label->setFont(font);
    }
}

int AddressPanel::LoadGroupAsync(RowId groupId) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_listAddresses->DeleteAllItems();
    m_loaders.startGroupLoader(groupId);
    QApplication::restoreOverrideCursor();
    return 0;
}

int AddressPanel::ShowPageAsync() {
    m_listAddresses->DeleteAllItems();
    m_loaders.startPageLoader(m_nPage);
    return 0;
}

void AddressPanel::buildPageLabel() {
    m_strPageLabel = cp936(QStringLiteral("共计%1个 第%2/%3页").arg(m_nTotal).arg(m_nPage + 1).arg(m_nLastPage + 1));
}

void AddressPanel::OnNextPage() {
    if (m_nPage == m_nLastPage) return;
    ++m_nPage;
    ShowPageAsync();
    buildPageLabel();
    pushFields();
}

void AddressPanel::OnPreviousPage() {
    if (m_nPage == 0) return;
    --m_nPage;
    ShowPageAsync();
    buildPageLabel();
    pushFields();
}

void AddressPanel::OnAddAddress() {
    // After the duplicate message the editor comes back with what was typed, so nothing typed is lost.
    std::string email, name;
    RowId groupId = m_nGroupId;
    for (;;) {
        CDlgEmailItem dialog(m_store);
        dialog.SetMode(CDlgEmailItem::kModeAdd);
        dialog.m_nGroupId = groupId;
        dialog.m_strEmail = email;
        dialog.m_strName = name;
        if (dialog.DoModal() != IDOK) return;
        email = dialog.m_strEmail;
        name = dialog.m_strName;
        groupId = dialog.m_nGroupId;
        if (addAddress(groupId, email, name)) return;
    }
}

bool AddressPanel::addAddress(RowId groupId, const std::string& email, const std::string& name) {
    // The check and the insert run as one step under the book's write lock: another program adding the same address
    // at the same instant cannot store it a second time.
    using Outcome = AddressStore::AddOutcome;
    const AddressStore::AddResult result = m_store.addAddressIfAbsent(groupId, email, name);
    switch (result.outcome) {
    case Outcome::kAdded:
        LoadGroupAsync(m_nGroupId);
        break;
    case Outcome::kAlreadyInGroup:
        messageBox(QStringLiteral("Email地址已经在该组中存在。"), &m_window);
        return false;
    case Outcome::kFailed:
        // Nothing was stored; the user learns why.
        messageBox(fromCp936(result.failure), &m_window);
        break;
    case Outcome::kNotOpen:
        break;
    }
    return true;
}

void AddressPanel::OnDeleteAddress() {
    const int row = m_listAddresses->GetFirstSelectedRow();
    if (row < 0) {
        messageBox(QStringLiteral("没有选择删除项"), &m_window);
        return;
    }
    if (m_store.DeleteAddress(m_listAddresses->GetItemData(row)) != 0) {
        messageBox(QStringLiteral("删除失败！"), &m_window);
        return;
    }
    LoadGroupAsync(m_nGroupId);
}

void AddressPanel::OnEditAddress() {
    const int row = m_listAddresses->GetFirstSelectedRow();
    if (row < 0) {
        messageBox(QStringLiteral("没有选择编辑项"), &m_window);
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
        messageBox(QStringLiteral("编辑失败！"), &m_window);
        return;
    }
    LoadGroupAsync(m_nGroupId);
}

void AddressPanel::OnImport() {
    // Addresses stored under no group would be where no list shows them.
    if (m_nGroupId == 0) {
        messageBox(QStringLiteral("请先选择邮件组！"), &m_window);
        return;
    }
    // A chooser for a file to read: the file picked is the file read. Only a typed name that names no file gets ".txt",
    // as the import always did.
    const std::optional<std::string> chosen = prompts().chooseFile(&m_window, textFileChooser(FileChooser::Kind::Open));
    if (!chosen) return;
    const std::string path = pathExists(*chosen) ? *chosen : withTxtExtension(*chosen);
    if (!pathExists(path)) {
        prompts().showMessage(&m_window, QStringLiteral("文件 %1 不存在！").arg(pathForDisplay(path)),
                              QStringLiteral("提示"), PromptIcon::Warning, PromptButtons::Ok);
        return;
    }
    const ImportResult result = importInBackground(&m_window, m_store, path, m_nGroupId);
    if (result.cancelled) {
        messageBox(QStringLiteral("导入已停止：已保存 %1 个地址，来自文件的前 %2 行。再次导入这个文件会导入其余的行。")
                       .arg(result.stored)
                       .arg(result.keptLines),
                   &m_window);
    } else if (result.stopped) {
        messageBox(QStringLiteral("导入在读到第 %1 行时停止，之前的 %2 个地址已经保存。\n%3")
                       .arg(result.lines)
                       .arg(result.stored)
                       .arg(fromCp936(result.failure)),
                   &m_window);
    } else if (!result.failure.empty()) {
        messageBox(QStringLiteral("查询数据库时出错，出错的行没有导入：\n%1").arg(fromCp936(result.failure)),
                   &m_window);
    }
    LoadGroupAsync(m_nGroupId);
}

void AddressPanel::OnExport() {
    const std::optional<std::string> chosen = prompts().chooseFile(&m_window, textFileChooser(FileChooser::Kind::Save));
    if (!chosen) return;
    const std::string path = withTxtExtension(*chosen);
    if (pathExists(path) && !askYesNo(QStringLiteral("%1 已经存在，要替换它吗？").arg(pathForDisplay(path)),
                                      QStringLiteral("文件覆盖询问"), &m_window))
        return;
    std::vector<std::string> emails;
    for (int row = 0; row < m_listAddresses->GetItemCount(); ++row)
        emails.push_back(m_listAddresses->GetItemText(row, 0));
    // Written whole or not at all; a failure leaves the file that was there and is said.
    const int error = exportAddresses(path, emails);
    if (error != 0)
        messageBox(QStringLiteral("导出失败，文件没有写入：%1\n%2")
                       .arg(pathForDisplay(path), QString::fromLocal8Bit(std::strerror(error))),
                   &m_window);
}

void AddressPanel::OnFilter() {
    if (m_nGroupId == 0) {
        messageBox(QStringLiteral("请先选择邮件组！"), &m_window);
        return;
    }
    CDlgFilter dialog(m_store);
    dialog.m_nGroupId = m_nGroupId;
    dialog.m_strGroupName = m_strGroupName;
    dialog.DoModal();
}
