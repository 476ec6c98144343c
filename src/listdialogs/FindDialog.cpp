// Tested by tests/gui/ListFindTest.cpp.
#include "listdialogs/FindDialog.h"

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "listdialogs/ListToolsHost.h"
#include "lists/BookSearch.h"
#include "lists/DeleteAddresses.h"
#include "ui/BackgroundWork.h"
#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"

namespace {

// Typing goes on for a while: a search starts once the keys have rested this long.
constexpr int kTypingPauseMs = 150;
// Rows the list shows at most; the rest are counted. Tens of thousands of rows help nobody, and cost the list its
// speed.
constexpr std::size_t kShownAtMost = 10'000;

enum Column { kGroupColumn, kEmailColumn, kNameColumn };
constexpr int kGroupIdRole = Qt::UserRole;
constexpr int kAddressIdRole = Qt::UserRole + 1;

class FindDialog final : public QDialog {
public:
    FindDialog(QWidget* parent, AddressStore& store, ListToolsHost& host)
        : QDialog(parent), m_store(store), m_host(host), m_text(new QLineEdit(this)), m_match(new QComboBox(this)),
          m_names(new QCheckBox(QStringLiteral("也查名字"), this)), m_results(new QTreeWidget(this)),
          m_status(new QLabel(this)), m_delete(new QPushButton(QStringLiteral("删除所选"), this)) {
        setWindowTitle(QStringLiteral("查找"));
        m_text->setObjectName(FindDialogControls::kText);
        m_text->setPlaceholderText(QStringLiteral("输入邮件地址或名字的一部分"));
        m_text->setClearButtonEnabled(true);
        m_match->setObjectName(FindDialogControls::kMatch);
        m_match->addItem(QStringLiteral("等于"), int(TextMatch::kEquals));
        m_match->addItem(QStringLiteral("开头是"), int(TextMatch::kStartsWith));
        m_match->addItem(QStringLiteral("包含"), int(TextMatch::kContains));
        m_match->setCurrentIndex(2);
        m_names->setObjectName(FindDialogControls::kNames);
        m_names->setChecked(true);
        m_results->setObjectName(FindDialogControls::kResults);
        m_results->setHeaderLabels({QStringLiteral("组"), QStringLiteral("邮件地址"), QStringLiteral("名字")});
        m_results->setRootIsDecorated(false);
        m_results->setUniformRowHeights(true);
        m_results->setSelectionMode(QAbstractItemView::ExtendedSelection);
        m_results->header()->resizeSection(kGroupColumn, 120);
        m_results->header()->resizeSection(kEmailColumn, 260);
        m_status->setObjectName(FindDialogControls::kStatus);
        m_delete->setObjectName(FindDialogControls::kDelete);
        m_delete->setEnabled(false);
        auto* close = new QPushButton(QStringLiteral("关闭"), this);

        auto* query = new QHBoxLayout;
        query->addWidget(new QLabel(QStringLiteral("查找:"), this));
        query->addWidget(m_text, 1);
        query->addWidget(m_match);
        query->addWidget(m_names);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(m_status, 1);
        buttons->addWidget(m_delete);
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(query);
        layout->addWidget(m_results, 1);
        layout->addLayout(buttons);
        resize(680, 440);

        m_typing.setSingleShot(true);
        m_typing.setInterval(kTypingPauseMs);
        connect(&m_typing, &QTimer::timeout, this, &FindDialog::search);
        connect(m_text, &QLineEdit::textChanged, this, [this] { m_typing.start(); });
        connect(m_match, &QComboBox::currentIndexChanged, this, &FindDialog::search);
        connect(m_names, &QCheckBox::toggled, this, &FindDialog::search);
        m_running.setInterval(100);
        connect(&m_running, &QTimer::timeout, this, &FindDialog::showRunning);
        // A double click, or Enter on a row (the style decides whether a double click also activates it).
        connect(m_results, &QTreeWidget::itemActivated, this, &FindDialog::showInWindow);
        connect(m_results, &QTreeWidget::itemDoubleClicked, this, &FindDialog::showInWindow);
        connect(m_results, &QTreeWidget::itemSelectionChanged, this,
                [this] { m_delete->setEnabled(!m_results->selectedItems().isEmpty()); });
        connect(m_delete, &QPushButton::clicked, this, &FindDialog::deleteSelected);
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
    }

    // The search in progress ends at its next row or statement; it holds the store for no longer than that.
    ~FindDialog() override {
        if (m_worker.joinable()) {
            m_worker.request_stop();
            m_worker.join();
        }
    }

private:
    // What to look for, as the controls say now; nothing when the text cannot be searched.
    struct Query {
        std::string text;
        BookSearchOptions options;
    };

    // Starts a search for what the controls say, after the one in progress (asked to stop) has ended: one worker at
    // a time, and the window's thread never waits for one.
    void search() {
        m_typing.stop();
        ++m_generation; // results of earlier searches are dropped from now on
        m_results->clear();
        m_found = 0;
        const QString typed = m_text->text().trimmed();
        m_pending.reset();
        if (typed.isEmpty()) {
            m_status->clear();
        } else if (const std::optional<std::string> text = toCp936(typed)) {
            Query query{*text, {}};
            query.options.match = static_cast<TextMatch>(m_match->currentData().toInt());
            query.options.names = m_names->isChecked();
            query.options.limit = kShownAtMost;
            m_pending = std::move(query);
            m_status->setText(QStringLiteral("正在查找…"));
        } else {
            m_status->setText(QStringLiteral("文字中有 GBK 之外的字符，找不到。"));
        }
        if (m_worker.joinable())
            m_worker.request_stop(); // searchEnded starts the pending one
        else
            startPending();
    }

    void startPending() {
        if (!m_pending) return;
        Query query = std::move(*m_pending);
        m_pending.reset();
        m_progress = std::make_shared<BookSearchProgress>();
        const int generation = m_generation;
        m_running.start();
        m_worker =
            std::jthread([this, generation, query = std::move(query), progress = m_progress](std::stop_token stop) {
                BookSearchResult result;
                try {
                    result = searchBook(
                        m_store, query.text, query.options,
                        [&](std::vector<FoundAddress>& found) {
                            QMetaObject::invokeMethod(
                                this, [this, generation, rows = std::move(found)] { showFound(generation, rows); },
                                Qt::QueuedConnection);
                        },
                        progress.get(), stop);
                } catch (const std::exception& error) {
                    result.failure = error.what();
                }
                QMetaObject::invokeMethod(
                    this, [this, generation, result] { searchEnded(generation, result); }, Qt::QueuedConnection);
            });
    }

    void showFound(int generation, const std::vector<FoundAddress>& rows) {
        if (generation != m_generation) return;
        QList<QTreeWidgetItem*> items;
        items.reserve(static_cast<qsizetype>(rows.size()));
        for (const FoundAddress& row : rows) {
            auto* item = new QTreeWidgetItem({fromCp936(row.groupName), fromCp936(row.email), fromCp936(row.name)});
            item->setData(kGroupColumn, kGroupIdRole, QVariant::fromValue<qint64>(row.groupId));
            item->setData(kGroupColumn, kAddressIdRole, QVariant::fromValue<qint64>(row.addressId));
            items << item;
        }
        m_results->addTopLevelItems(items);
    }

    void showRunning() {
        if (!m_progress || m_pending) return;
        if (m_progress->buildingIndex.load())
            m_status->setText(QStringLiteral("正在为查找准备索引（只在第一次查找时做，可能要几秒钟）…"));
        else
            m_status->setText(QStringLiteral("正在查找… 已找到 %1 个").arg(m_progress->found.load()));
    }

    void searchEnded(int generation, const BookSearchResult& result) {
        m_worker.join();
        m_running.stop();
        m_progress.reset();
        if (generation == m_generation) {
            m_found = result.found;
            if (!result.failure.empty())
                m_status->setText(QStringLiteral("查找失败：%1").arg(fromCp936(result.failure)));
            else
                showCount(result.found, result.handedOut);
        }
        startPending();
    }

    void showCount(std::size_t found, std::size_t shown) {
        QString text = QStringLiteral("找到 %1 个").arg(found);
        if (shown < found) text += QStringLiteral("（列出前 %1 个）").arg(shown);
        m_status->setText(text);
    }

    void showInWindow(QTreeWidgetItem* item) {
        if (!item || result() == QDialog::Accepted) return; // once, though both signals come
        m_host.showAddress(item->data(kGroupColumn, kGroupIdRole).toLongLong(),
                           item->data(kGroupColumn, kAddressIdRole).toLongLong());
        accept();
    }

    void deleteSelected() {
        const QList<QTreeWidgetItem*> selected = m_results->selectedItems();
        if (selected.isEmpty()) return;
        if (!askYesNo(QStringLiteral("确定要从所在的组中删除选中的 %1 个地址吗？").arg(selected.size()),
                      QStringLiteral("删除"), this))
            return;
        std::vector<RowId> ids;
        ids.reserve(static_cast<std::size_t>(selected.size()));
        for (const QTreeWidgetItem* item : selected)
            ids.push_back(item->data(kGroupColumn, kAddressIdRole).toLongLong());
        AddressDeletion deletion;
        runInBackground(this,
                        {QStringLiteral("删除"), [&](std::stop_token) { deletion = deleteAddresses(m_store, ids); },
                         [] { return QStringLiteral("正在删除…"); }, [] { return -1; }});
        if (deletion.failure.empty()) {
            qDeleteAll(selected);
            m_found -= std::min(m_found, deletion.deleted);
            showCount(m_found, static_cast<std::size_t>(m_results->topLevelItemCount()));
        } else {
            // Some batches may have gone: the list is found again so that it shows what the book holds.
            search();
        }
        if (deletion.deleted > 0) m_host.bookChanged();
        if (!deletion.failure.empty())
            messageBox(QStringLiteral("删除没有全部完成（已删除 %1 个）：%2")
                           .arg(deletion.deleted)
                           .arg(fromCp936(deletion.failure)),
                       this);
    }

    AddressStore& m_store;
    ListToolsHost& m_host;
    QLineEdit* m_text;
    QComboBox* m_match;
    QCheckBox* m_names;
    QTreeWidget* m_results;
    QLabel* m_status;
    QPushButton* m_delete;
    QTimer m_typing;
    QTimer m_running;
    std::optional<Query> m_pending;
    std::shared_ptr<BookSearchProgress> m_progress;
    int m_generation = 0;
    std::size_t m_found = 0;
    // Declared last: it is stopped and joined (in the destructor) before anything it uses goes.
    std::jthread m_worker;
};

} // namespace

void openFind(QWidget* parent, AddressStore& store, ListToolsHost& host) {
    FindDialog dialog(parent, store, host);
    dialog.exec();
}
