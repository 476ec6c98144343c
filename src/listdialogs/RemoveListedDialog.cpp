// Tested by tests/gui/ListFindTest.cpp.
#include "listdialogs/GroupChoice.h"
#include "listdialogs/RemoveListedDialog.h"

#include <cstring>
#include <filesystem>
#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "listdialogs/ListToolsHost.h"
#include "lists/ListedAddresses.h"
#include "lists/RemoveListed.h"
#include "store/AddressStore.h"
#include "store/GroupRecord.h"
#include "ui/BackgroundWork.h"
#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"

namespace {

const QString kTitle = QStringLiteral("按文件删除");

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class RemoveListedDialog final : public QDialog {
public:
    RemoveListedDialog(QWidget* parent, AddressStore& store, ListToolsHost& host)
        : QDialog(parent), m_store(store), m_host(host), m_file(new QLineEdit(this)),
          m_oneGroup(new QRadioButton(QStringLiteral("所选组"), this)),
          m_allGroups(new QRadioButton(QStringLiteral("所有组"), this)), m_group(new QComboBox(this)),
          m_ignoreCase(new QCheckBox(QStringLiteral("忽略大小写"), this)),
          m_saveRows(new QCheckBox(QStringLiteral("同时保存删除的行到文件…"), this)) {
        setWindowTitle(kTitle);
        m_file->setObjectName(RemoveListedControls::kFile);
        m_file->setPlaceholderText(QStringLiteral("每行一个地址的文本文件（退信、退订）"));
        auto* browse = new QPushButton(QStringLiteral("浏览…"), this);
        browse->setObjectName(RemoveListedControls::kBrowse);
        m_oneGroup->setObjectName(RemoveListedControls::kOneGroup);
        m_allGroups->setObjectName(RemoveListedControls::kAllGroups);
        m_group->setObjectName(RemoveListedControls::kGroup);
        m_ignoreCase->setObjectName(RemoveListedControls::kIgnoreCase);
        m_ignoreCase->setChecked(true);
        m_saveRows->setObjectName(RemoveListedControls::kSaveRows);
        auto* start = new QPushButton(QStringLiteral("开始"), this);
        start->setObjectName(RemoveListedControls::kStart);
        start->setDefault(true);
        auto* close = new QPushButton(QStringLiteral("关闭"), this);

        std::vector<GroupRecord> groups;
        try {
            m_store.LoadGroups(groups);
        } catch (const DatabaseError&) {
            groups.clear(); // an empty list: 所有组 still works, and says what goes wrong
        }
        const bool shown = fillGroupChoice(*m_group, groups, host.groupOnShow());
        (shown ? m_oneGroup : m_allGroups)->setChecked(true);
        m_group->setEnabled(m_oneGroup->isChecked());
        connect(m_oneGroup, &QRadioButton::toggled, m_group, &QComboBox::setEnabled);

        auto* grid = new QGridLayout;
        grid->addWidget(new QLabel(QStringLiteral("地址文件:"), this), 0, 0);
        grid->addWidget(m_file, 0, 1);
        grid->addWidget(browse, 0, 2);
        grid->addWidget(new QLabel(QStringLiteral("从:"), this), 1, 0);
        auto* where = new QHBoxLayout;
        where->addWidget(m_oneGroup);
        where->addWidget(m_group, 1);
        where->addWidget(m_allGroups);
        grid->addLayout(where, 1, 1, 1, 2);
        grid->addWidget(m_ignoreCase, 2, 1, 1, 2);
        grid->addWidget(m_saveRows, 3, 1, 1, 2);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(start);
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(grid);
        layout->addLayout(buttons);
        resize(520, sizeHint().height());

        connect(browse, &QPushButton::clicked, this, &RemoveListedDialog::chooseList);
        connect(start, &QPushButton::clicked, this, &RemoveListedDialog::start);
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
    }

private:
    void chooseList() {
        FileChooser chooser;
        chooser.kind = FileChooser::Kind::Open;
        chooser.filter = QStringLiteral("Text Files (*.txt);;All Files (*)");
        if (const std::optional<std::string> path = prompts().chooseFile(this, chooser)) {
            m_chosen = *path;
            m_file->setText(pathForDisplay(*path));
        }
    }

    // The path of the file to read: the chosen one's own bytes while the edit shows it (a name in another encoding
    // than the locale's would not survive the way back), else the text typed.
    std::string listPath() const {
        const QString typed = m_file->text().trimmed();
        if (!m_chosen.empty() && typed == pathForDisplay(m_chosen)) return m_chosen;
        return QFile::encodeName(typed).toStdString();
    }

    // Where the removed rows go: empty when they are not kept; nothing when the user gave up.
    std::optional<std::string> chooseSavedRows() {
        if (!m_saveRows->isChecked()) return std::string();
        FileChooser chooser;
        chooser.kind = FileChooser::Kind::Save;
        chooser.filter = QStringLiteral("CSV (*.csv);;All Files (*)");
        chooser.initialName = QStringLiteral("removed.csv");
        chooser.defaultSuffix = QStringLiteral("csv");
        const std::optional<std::string> path = prompts().chooseFile(this, chooser);
        if (!path) return std::nullopt;
        std::error_code error;
        if (std::filesystem::exists(*path, error) &&
            !askYesNo(QStringLiteral("%1 已经存在，要替换它吗？").arg(pathForDisplay(*path)),
                      QStringLiteral("文件覆盖询问"), this))
            return std::nullopt;
        return path;
    }

    void start() {
        const QString typed = m_file->text().trimmed();
        if (typed.isEmpty()) return messageBox(QStringLiteral("请选择列出地址的文件。"), this);
        const std::string path = listPath();
        RemoveListedOptions options;
        if (m_oneGroup->isChecked()) {
            if (m_group->currentIndex() < 0) return messageBox(QStringLiteral("请先选择邮件组！"), this);
            options.group = chosenGroup(*m_group);
        }
        options.ignoreCase = m_ignoreCase->isChecked();
        const std::optional<std::string> savePath = chooseSavedRows();
        if (!savePath) return;

        // The file and what the book holds of it, on the worker.
        ListedAddresses listed;
        ListedCount count;
        std::atomic<std::uint64_t> bytesRead{0};
        RemoveListedProgress progress;
        std::atomic<bool> reading{true};
        const std::uint64_t fileSize = fileSizeOf(path);
        runInBackground(this, {kTitle,
                               [&](std::stop_token stop) {
                                   listed = readListedAddresses(path, options.ignoreCase, &bytesRead, stop);
                                   reading = false;
                                   if (listed.opened && !listed.cancelled)
                                       count = countListed(m_store, listed.addresses, options, &progress, stop);
                               },
                               [&] {
                                   if (reading) return QStringLiteral("正在读取文件…");
                                   if (progress.buildingIndex)
                                       return QStringLiteral("正在为查找准备索引（只在第一次时做，可能要几秒钟）…");
                                   return QStringLiteral("正在查找：已查 %1 / %2 个地址")
                                       .arg(progress.checked.load())
                                       .arg(listed.addresses.size());
                               },
                               [&] {
                                   if (reading) return fileSize ? int(100 * bytesRead.load() / fileSize) : -1;
                                   return listed.addresses.empty()
                                              ? 100
                                              : int(100 * progress.checked.load() / listed.addresses.size());
                               }});
        if (!listed.opened)
            return messageBox(QStringLiteral("无法打开文件 %1：%2").arg(typed, systemError(listed.error)), this);
        if (listed.cancelled || count.cancelled) return messageBox(QStringLiteral("已停止，没有删除任何地址。"), this);
        if (!count.failure.empty())
            return messageBox(QStringLiteral("查找失败，没有删除任何地址：%1").arg(fromCp936(count.failure)), this);
        QString skipped;
        if (listed.invalid > 0) skipped = QStringLiteral("\n（跳过了 %1 行不是有效地址的文字。）").arg(listed.invalid);
        if (listed.readFailed)
            skipped += QStringLiteral("\n（文件没有读完：%1。只用了读到的部分。）").arg(systemError(listed.error));
        const QString where = options.group ? QStringLiteral("所选的组") : QStringLiteral("任何组");
        if (count.rows == 0)
            return messageBox(
                QStringLiteral("文件中的 %1 个地址都不在%2中，没有要删除的。").arg(listed.addresses.size()).arg(where) +
                    skipped,
                this);
        if (!askYesNo(QStringLiteral("文件中的 %1 个地址有 %2 个在 %3 个组中（共 %4 行）。\n确定要删除这 %4 行吗？")
                              .arg(listed.addresses.size())
                              .arg(count.present)
                              .arg(count.groups)
                              .arg(count.rows) +
                          skipped,
                      kTitle, this))
            return;

        ListedRemoval removal;
        RemoveListedProgress removing;
        runInBackground(this, {kTitle,
                               [&](std::stop_token stop) {
                                   removal =
                                       removeListed(m_store, listed.addresses, options, *savePath, &removing, stop);
                               },
                               [&] { return QStringLiteral("已删除 %1 行").arg(removing.removed.load()); },
                               [&] { return int(100 * removing.checked.load() / listed.addresses.size()); }});
        if (removal.removed > 0) m_host.bookChanged();
        QString summary;
        if (removal.cancelled)
            summary = QStringLiteral("已停止：已删除 %1 行（停止前完成的部分）。").arg(removal.removed);
        else if (removal.stopped && removal.fileError != 0)
            summary = QStringLiteral("删除的行无法写入文件 %1（%2），删除已停止：已删除 %3 行。")
                          .arg(pathForDisplay(*savePath), systemError(removal.fileError))
                          .arg(removal.removed);
        else if (removal.stopped)
            summary =
                QStringLiteral("删除中途失败，已删除 %1 行：%2").arg(removal.removed).arg(fromCp936(removal.failure));
        else
            summary = QStringLiteral("已删除 %1 行。").arg(removal.removed);
        if (!savePath->empty() && removal.fileError == 0)
            summary += QStringLiteral("\n删除的行已保存到 %1。").arg(pathForDisplay(*savePath));
        messageBox(summary, this);
        accept();
    }

    static std::uint64_t fileSizeOf(const std::string& path) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        return error ? 0 : size;
    }

    AddressStore& m_store;
    ListToolsHost& m_host;
    QLineEdit* m_file;
    QRadioButton* m_oneGroup;
    QRadioButton* m_allGroups;
    QComboBox* m_group;
    QCheckBox* m_ignoreCase;
    QCheckBox* m_saveRows;
    std::string m_chosen;
};

} // namespace

void openRemoveListed(QWidget* parent, AddressStore& store, ListToolsHost& host) {
    RemoveListedDialog dialog(parent, store, host);
    dialog.exec();
}
