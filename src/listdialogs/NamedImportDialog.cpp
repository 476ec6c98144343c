// Tested by tests/gui/NamedImportTest.cpp.
#include "listdialogs/GroupChoice.h"
#include "listdialogs/NamedImportDialog.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "listdialogs/ListToolsHost.h"
#include "lists/ListFileFormat.h"
#include "lists/ListFileReader.h"
#include "lists/NamedImport.h"
#include "lists/RejectedLines.h"
#include "store/AddressStore.h"
#include "ui/BackgroundWork.h"
#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"

namespace {

using namespace NamedImportControls;

constexpr int kPreviewRecords = 20;

QString delimiterName(ListDelimiter delimiter) {
    switch (delimiter) {
    case ListDelimiter::kComma:
        return QStringLiteral("逗号");
    case ListDelimiter::kSemicolon:
        return QStringLiteral("分号");
    case ListDelimiter::kTab:
        return QStringLiteral("制表符");
    case ListDelimiter::kPipe:
        return QStringLiteral("竖线“|”");
    case ListDelimiter::kBlanks:
        return QStringLiteral("空白");
    }
    return {};
}

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The summary at the end of an import, with the button that saves the refused lines.
class SummaryDialog final : public QDialog {
public:
    SummaryDialog(QWidget* parent, const QString& text, bool canSave, const std::string& rejectedPath,
                  std::size_t rejected)
        : QDialog(parent), m_rejectedPath(rejectedPath), m_rejected(rejected) {
        setObjectName(kSummary);
        setWindowTitle(QStringLiteral("导入名单"));
        auto* label = new QLabel(text, this);
        label->setObjectName(kSummaryText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        QPushButton* save = buttons->addButton(QStringLiteral("保存被拒绝的行…"), QDialogButtonBox::ActionRole);
        save->setObjectName(kSaveRejected);
        save->setEnabled(canSave);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(buttons);
        connect(save, &QPushButton::clicked, this, &SummaryDialog::onSave);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    }

private:
    void onSave() {
        FileChooser chooser;
        chooser.kind = FileChooser::Kind::Save;
        chooser.filter = QStringLiteral("CSV (*.csv);;All Files (*)");
        chooser.defaultSuffix = QStringLiteral("csv");
        chooser.initialName = QStringLiteral("被拒绝的行.csv");
        const std::optional<std::string> chosen = prompts().chooseFile(this, chooser);
        if (!chosen) return;
        const int error = copyFileWhole(m_rejectedPath, *chosen);
        if (error != 0)
            messageBox(QStringLiteral("保存失败，文件没有写入：%1\n%2")
                           .arg(pathForDisplay(*chosen), QString::fromLocal8Bit(std::strerror(error))),
                       this);
        else
            messageBox(QStringLiteral("已将 %1 行及其原因保存到 %2。").arg(m_rejected).arg(pathForDisplay(*chosen)),
                       this);
    }

    std::string m_rejectedPath;
    std::size_t m_rejected;
};

class NamedImportDialog final : public QDialog {
public:
    NamedImportDialog(QWidget* parent, AddressStore& store, ListToolsHost& host)
        : QDialog(parent), m_store(store), m_host(host), m_path(new QLineEdit(this)), m_group(new QComboBox(this)),
          m_detected(new QLabel(this)), m_encoding(new QComboBox(this)), m_delimiter(new QComboBox(this)),
          m_header(new QCheckBox(QStringLiteral("第一行是标题"), this)), m_emailColumn(new QComboBox(this)),
          m_nameColumn(new QComboBox(this)), m_ignoreCase(new QCheckBox(QStringLiteral("忽略大小写"), this)),
          m_preview(new QTableWidget(this)) {
        setWindowTitle(QStringLiteral("导入名单"));
        m_path->setObjectName(kPath);
        m_group->setObjectName(kGroup);
        m_detected->setObjectName(kDetected);
        m_detected->setWordWrap(true);
        m_encoding->setObjectName(kEncoding);
        m_delimiter->setObjectName(kDelimiter);
        m_header->setObjectName(kHeader);
        m_emailColumn->setObjectName(kEmailColumn);
        m_nameColumn->setObjectName(kNameColumn);
        m_ignoreCase->setObjectName(kIgnoreCase);
        m_ignoreCase->setToolTip(QStringLiteral("组中已有只是大小写不同的地址时不再导入；文件中的重复也不分大小写"));
        m_preview->setObjectName(kPreview);
        m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_encoding->addItems({QStringLiteral("UTF-8"), QStringLiteral("GBK/GB18030")});
        for (const ListDelimiter delimiter : {ListDelimiter::kComma, ListDelimiter::kSemicolon, ListDelimiter::kTab,
                                              ListDelimiter::kPipe, ListDelimiter::kBlanks})
            m_delimiter->addItem(delimiterName(delimiter));

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
        auto* options = new QHBoxLayout;
        options->addWidget(new QLabel(QStringLiteral("编码"), this));
        options->addWidget(m_encoding);
        options->addWidget(new QLabel(QStringLiteral("分隔符"), this));
        options->addWidget(m_delimiter);
        options->addWidget(m_header);
        options->addStretch();
        auto* columns = new QHBoxLayout;
        columns->addWidget(new QLabel(QStringLiteral("Email列"), this));
        columns->addWidget(m_emailColumn);
        columns->addWidget(new QLabel(QStringLiteral("姓名列"), this));
        columns->addWidget(m_nameColumn);
        columns->addWidget(m_ignoreCase);
        columns->addStretch();
        auto* form = new QFormLayout;
        form->addRow(QStringLiteral("文件："), file);
        form->addRow(QStringLiteral("导入到组："), m_group);
        form->addRow(QStringLiteral("检测结果："), m_detected);
        form->addRow(QStringLiteral("格式："), options);
        form->addRow(QStringLiteral("列："), columns);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        m_start = buttons->addButton(QStringLiteral("导入"), QDialogButtonBox::AcceptRole);
        m_start->setObjectName(kImport);
        m_start->setEnabled(false);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(new QLabel(QStringLiteral("预览（前 %1 条记录）：").arg(kPreviewRecords), this));
        layout->addWidget(m_preview, 1);
        layout->addWidget(buttons);
        resize(720, 520);

        connect(browse, &QPushButton::clicked, this, &NamedImportDialog::onBrowse);
        connect(m_path, &QLineEdit::editingFinished, this, [this] { openFile(false); });
        connect(m_encoding, &QComboBox::currentIndexChanged, this, [this] { redetectColumns(); });
        connect(m_delimiter, &QComboBox::currentIndexChanged, this, [this] { redetectColumns(); });
        connect(m_header, &QCheckBox::toggled, this, [this] { showPreview(); });
        connect(m_emailColumn, &QComboBox::currentIndexChanged, this, [this] { showPreview(); });
        connect(m_nameColumn, &QComboBox::currentIndexChanged, this, [this] { showPreview(); });
        connect(buttons, &QDialogButtonBox::accepted, this, &NamedImportDialog::onImport);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }

private:
    std::string path() const { return QFile::encodeName(m_path->text().trimmed()).toStdString(); }

    void onBrowse() {
        FileChooser chooser;
        chooser.kind = FileChooser::Kind::Open;
        chooser.filter = QStringLiteral("Lists (*.csv *.txt *.tsv);;All Files (*)");
        const std::optional<std::string> chosen = prompts().chooseFile(this, chooser);
        if (!chosen) return;
        m_path->setText(pathForDisplay(*chosen));
        openFile(true);
    }

    // Tells the format of the file named, and shows it.
    void openFile(bool always) {
        const std::string chosen = path();
        if (!always && chosen == m_openPath) return;
        m_openPath = chosen;
        m_fileReady = false;
        m_start->setEnabled(false);
        if (chosen.empty()) return;
        const ListFormatDetection detection = detectListFormat(chosen);
        if (!detection.opened || !detection.failure.empty()) {
            QString why = fromCp936(detection.failure);
            if (detection.failure == "UTF-16")
                why = QStringLiteral("这是UTF-16编码的文件，请在表格程序中另存为“CSV UTF-8”后再导入。");
            else if (detection.failure == "binary")
                why = QStringLiteral("这不是文本文件。");
            m_detected->setText(QStringLiteral("无法读取：%1").arg(why));
            m_preview->clear();
            m_preview->setRowCount(0);
            m_preview->setColumnCount(0);
            return;
        }
        m_format = detection.format;
        m_fileReady = true;
        const QString encoding =
            m_format.encoding == ListEncoding::kUtf8 ? QStringLiteral("UTF-8") : QStringLiteral("GBK/GB18030");
        QString said = detection.detectorSaid.empty()
                           ? QString()
                           : QStringLiteral("（字符集检测：%1）").arg(QString::fromLatin1(detection.detectorSaid));
        m_detected->setText(QStringLiteral("%1%2，%3分隔，%4；Email在第%5列，%6")
                                .arg(encoding, said, delimiterName(m_format.delimiter),
                                     m_format.header ? QStringLiteral("有标题行") : QStringLiteral("无标题行"))
                                .arg(m_format.emailColumn + 1)
                                .arg(m_format.nameColumn >= 0
                                         ? QStringLiteral("姓名在第%1列").arg(m_format.nameColumn + 1)
                                         : QStringLiteral("没有姓名列")));
        pushFormat();
        showPreview();
    }

    // The user changed the encoding or the delimiter: the header and the columns are told again.
    void redetectColumns() {
        if (!m_fileReady || m_pushing) return;
        m_format.encoding = m_encoding->currentIndex() == 0 ? ListEncoding::kUtf8 : ListEncoding::kGb18030;
        m_format.delimiter = static_cast<ListDelimiter>(m_delimiter->currentIndex());
        detectListColumns(m_openPath, m_format);
        pushFormat();
        showPreview();
    }

    void pushFormat() {
        m_pushing = true;
        const QSignalBlocker blockEncoding(m_encoding);
        const QSignalBlocker blockDelimiter(m_delimiter);
        const QSignalBlocker blockHeader(m_header);
        const QSignalBlocker blockEmail(m_emailColumn);
        const QSignalBlocker blockName(m_nameColumn);
        m_encoding->setCurrentIndex(m_format.encoding == ListEncoding::kUtf8 ? 0 : 1);
        m_delimiter->setCurrentIndex(static_cast<int>(m_format.delimiter));
        m_header->setChecked(m_format.header);
        m_emailColumn->clear();
        m_nameColumn->clear();
        m_nameColumn->addItem(QStringLiteral("无"));
        const int columns = std::max<int>(1, static_cast<int>(m_format.columns));
        for (int column = 0; column < columns; ++column) {
            m_emailColumn->addItem(columnName(column));
            m_nameColumn->addItem(columnName(column));
        }
        m_emailColumn->setCurrentIndex(std::min(m_format.emailColumn, columns - 1));
        m_nameColumn->setCurrentIndex(m_format.nameColumn + 1);
        m_pushing = false;
    }

    QString columnName(int column) const {
        QString name = QStringLiteral("第%1列").arg(column + 1);
        if (m_format.header && static_cast<std::size_t>(column) < m_format.headerNames.size())
            name += QStringLiteral("（%1）").arg(fromUtf8(m_format.headerNames[static_cast<std::size_t>(column)]));
        return name;
    }

    void pullFormat() {
        m_format.header = m_header->isChecked();
        m_format.emailColumn = std::max(0, m_emailColumn->currentIndex());
        m_format.nameColumn = m_nameColumn->currentIndex() - 1;
    }

    // The first records as the import will read them, the address and name columns marked.
    void showPreview() {
        if (!m_fileReady || m_pushing) return;
        pullFormat();
        ListFileReader reader(m_openPath, m_format.encoding, m_format.delimiter);
        std::vector<ListRecord> records;
        for (ListRecord record; records.size() < kPreviewRecords + (m_format.header ? 1u : 0u) && reader.next(record);)
            records.push_back(std::move(record));
        if (m_format.header && !records.empty()) records.erase(records.begin());
        int columns = 0;
        for (const ListRecord& record : records)
            columns = std::max(columns, static_cast<int>(record.fields.size()));
        m_preview->clear();
        m_preview->setColumnCount(columns);
        m_preview->setRowCount(static_cast<int>(records.size()));
        QStringList labels;
        for (int column = 0; column < columns; ++column) {
            QString label = columnName(column);
            if (column == m_format.emailColumn) label += QStringLiteral(" [Email]");
            if (column == m_format.nameColumn) label += QStringLiteral(" [姓名]");
            labels << label;
        }
        m_preview->setHorizontalHeaderLabels(labels);
        QStringList lines;
        for (int row = 0; row < static_cast<int>(records.size()); ++row) {
            const ListRecord& record = records[static_cast<std::size_t>(row)];
            lines << QString::number(record.line);
            for (int column = 0; column < static_cast<int>(record.fields.size()); ++column)
                m_preview->setItem(row, column,
                                   new QTableWidgetItem(fromUtf8(record.fields[static_cast<std::size_t>(column)])));
        }
        m_preview->setVerticalHeaderLabels(lines);
        m_preview->resizeColumnsToContents();
        m_start->setEnabled(m_group->currentIndex() >= 0 && !records.empty());
    }

    void onImport() {
        if (!m_fileReady || m_group->currentIndex() < 0) return;
        pullFormat();
        const RowId group = chosenGroup(*m_group);
        const QString groupName = m_group->currentText();
        NamedImportOptions options;
        options.format = m_format;
        options.ignoreCase = m_ignoreCase->isChecked();
        if (m_temporary.isValid())
            options.rejectedPath = QFile::encodeName(m_temporary.filePath("rejected.csv")).toStdString();
        NamedImportProgress progress;
        NamedImportResult result;
        BackgroundWork work;
        work.title = QStringLiteral("导入名单");
        work.run = [&](std::stop_token stop) {
            result = importNamedList(m_store, m_openPath, group, options, &progress, stop);
        };
        work.describe = [&, file = QFileInfo(m_path->text()).fileName()] {
            return QStringLiteral("正在导入 %1\n已读 %2 条记录，已保存 %3 个地址")
                .arg(file)
                .arg(progress.records.load())
                .arg(progress.stored.load());
        };
        work.percent = [&] {
            const std::uint64_t size = progress.fileSize.load();
            return size == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(progress.bytes.load(), size) * 100 / size);
        };
        runInBackground(this, work);
        if (result.stored > 0) m_host.bookChanged();
        if (!result.opened) {
            messageBox(QStringLiteral("无法打开文件 %1。").arg(m_path->text()), this);
            return;
        }

        QString text;
        if (result.cancelled)
            text = QStringLiteral("导入已停止：已保存的是文件前 %1 行的结果。再次导入这个文件会导入其余的行。\n\n")
                       .arg(result.keptLine);
        else if (result.stopped)
            text = QStringLiteral("导入在第 %1 行之后停止，之前各批已经保存：\n%2\n\n")
                       .arg(result.keptLine)
                       .arg(fromCp936(result.failure));
        else
            text = QStringLiteral("导入到“%1”完成。\n\n").arg(groupName);
        text += QStringLiteral("新增：%1\n组中已有：%2\n文件中重复：%3\n无效：%4\n过长：%5\n被拒绝：%6")
                    .arg(result.stored)
                    .arg(result.alreadyInGroup)
                    .arg(result.repeated)
                    .arg(result.invalid)
                    .arg(result.tooLong)
                    .arg(result.refused);
        if (result.blank > 0) text += QStringLiteral("\n空行：%1").arg(result.blank);
        if (!result.rejectedWritten) text += QStringLiteral("\n\n被拒绝的行无法暂存，不能保存。");
        SummaryDialog summary(this, text,
                              result.rejected() > 0 && result.rejectedWritten && !options.rejectedPath.empty(),
                              options.rejectedPath, result.rejected());
        summary.exec();
        accept();
    }

    AddressStore& m_store;
    ListToolsHost& m_host;
    QLineEdit* m_path;
    QComboBox* m_group;
    QLabel* m_detected;
    QComboBox* m_encoding;
    QComboBox* m_delimiter;
    QCheckBox* m_header;
    QComboBox* m_emailColumn;
    QComboBox* m_nameColumn;
    QCheckBox* m_ignoreCase;
    QTableWidget* m_preview;
    QPushButton* m_start = nullptr;
    // The refused lines wait here until the user saves them or the dialog closes.
    QTemporaryDir m_temporary;
    std::string m_openPath;
    ListFileFormat m_format;
    bool m_fileReady = false;
    bool m_pushing = false;
};

} // namespace

void openNamedImport(QWidget* parent, AddressStore& store, ListToolsHost& host) {
    NamedImportDialog dialog(parent, store, host);
    dialog.exec();
}
