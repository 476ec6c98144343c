// Tested by tests/gui/NamedImportTest.cpp.
#include "listdialogs/GroupChoice.h"
#include "listdialogs/GroupExportDialog.h"

#include <cstring>
#include <exception>
#include <filesystem>
#include <vector>

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "listdialogs/ListToolsHost.h"
#include "lists/GroupExport.h"
#include "store/AddressStore.h"
#include "ui/BackgroundWork.h"
#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"

namespace {

using namespace GroupExportControls;

class GroupExportDialog final : public QDialog {
public:
    GroupExportDialog(QWidget* parent, AddressStore& store, ListToolsHost& host)
        : QDialog(parent), m_store(store), m_group(new QComboBox(this)),
          m_text(new QRadioButton(QStringLiteral("文本（每行一个地址）"), this)),
          m_csv(new QRadioButton(QStringLiteral("CSV（地址和姓名）"), this)), m_encoding(new QComboBox(this)),
          m_path(new QLineEdit(this)) {
        setWindowTitle(QStringLiteral("导出整组"));
        m_group->setObjectName(kGroup);
        m_csv->setObjectName(kCsv);
        m_encoding->setObjectName(kEncoding);
        m_path->setObjectName(kPath);
        m_encoding->addItems({QStringLiteral("GBK"), QStringLiteral("UTF-8（带BOM，Excel和WPS可直接打开）")});
        m_csv->setChecked(true);
        m_encoding->setCurrentIndex(1);

        std::vector<GroupRecord> groups;
        try {
            m_store.LoadGroups(groups);
        } catch (const std::exception& error) {
            messageBox(QStringLiteral("读取邮件组失败：\n%1").arg(fromCp936(error.what())), parent);
        }
        fillGroupChoice(*m_group, groups, host.groupOnShow());

        auto* browse = new QPushButton(QStringLiteral("浏览…"), this);
        browse->setObjectName(kBrowse);
        auto* file = new QHBoxLayout;
        file->addWidget(m_path, 1);
        file->addWidget(browse);
        auto* formats = new QHBoxLayout;
        formats->addWidget(m_text);
        formats->addWidget(m_csv);
        formats->addStretch();
        auto* form = new QFormLayout;
        form->addRow(QStringLiteral("邮件组："), m_group);
        form->addRow(QStringLiteral("格式："), formats);
        form->addRow(QStringLiteral("编码："), m_encoding);
        form->addRow(QStringLiteral("文件："), file);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        QPushButton* start = buttons->addButton(QStringLiteral("导出"), QDialogButtonBox::AcceptRole);
        start->setObjectName(kExport);
        start->setDefault(true);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(buttons);
        resize(480, sizeHint().height());

        connect(browse, &QPushButton::clicked, this, &GroupExportDialog::onBrowse);
        connect(buttons, &QDialogButtonBox::accepted, this, &GroupExportDialog::onExport);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }

private:
    bool csv() const { return m_csv->isChecked(); }

    void onBrowse() {
        FileChooser chooser;
        chooser.kind = FileChooser::Kind::Save;
        chooser.filter =
            csv() ? QStringLiteral("CSV (*.csv);;All Files (*)") : QStringLiteral("Text Files (*.txt);;All Files (*)");
        chooser.defaultSuffix = csv() ? QStringLiteral("csv") : QStringLiteral("txt");
        chooser.initialName = m_group->currentText() + QLatin1Char('.') + chooser.defaultSuffix;
        if (const std::optional<std::string> chosen = prompts().chooseFile(this, chooser))
            m_path->setText(pathForDisplay(*chosen));
    }

    void onExport() {
        if (m_group->currentIndex() < 0) {
            messageBox(QStringLiteral("请先选择邮件组！"), this);
            return;
        }
        const QString shown = m_path->text().trimmed();
        if (shown.isEmpty()) {
            messageBox(QStringLiteral("请选择要写入的文件。"), this);
            return;
        }
        const std::string path = QFile::encodeName(shown).toStdString();
        std::error_code error;
        if (std::filesystem::exists(path, error) &&
            !askYesNo(QStringLiteral("%1 已经存在，要替换它吗？").arg(shown), QStringLiteral("文件覆盖询问"), this))
            return;

        const RowId group = chosenGroup(*m_group);
        GroupExportOptions options;
        options.format = csv() ? ExportFormat::kCsv : ExportFormat::kText;
        options.encoding = m_encoding->currentIndex() == 1 ? ExportEncoding::kUtf8 : ExportEncoding::kGbk;
        GroupExportProgress progress;
        GroupExportResult result;
        BackgroundWork work;
        work.title = QStringLiteral("导出整组");
        work.run = [&](std::stop_token stop) { result = exportGroup(m_store, group, path, options, &progress, stop); };
        work.describe = [&] {
            return QStringLiteral("已写入 %1 / %2 个地址").arg(progress.written.load()).arg(progress.total.load());
        };
        work.percent = [&] {
            const std::size_t total = progress.total.load();
            return total == 0 ? 0 : static_cast<int>(std::min(progress.written.load(), total) * 100 / total);
        };
        runInBackground(this, work);

        if (result.cancelled) {
            messageBox(QStringLiteral("导出已停止，没有写入文件。"), this);
            return;
        }
        if (!result.written) {
            messageBox(QStringLiteral("导出失败，没有写入文件：%1\n%2").arg(shown, fromCp936(result.failure)), this);
            return;
        }
        QString summary = QStringLiteral("已导出 %1 个地址到 %2。").arg(result.rows).arg(shown);
        if (result.unconvertible > 0)
            summary += QStringLiteral("\n其中 %1 个地址的文字不是有效的GBK，无法转换的字节写成了“\uFFFD”。")
                           .arg(result.unconvertible);
        messageBox(summary, this);
        accept();
    }

    AddressStore& m_store;
    QComboBox* m_group;
    QRadioButton* m_text;
    QRadioButton* m_csv;
    QComboBox* m_encoding;
    QLineEdit* m_path;
};

} // namespace

void openGroupExport(QWidget* parent, AddressStore& store, ListToolsHost& host) {
    GroupExportDialog dialog(parent, store, host);
    dialog.exec();
}
