// Tested by tests/gui/GroupArithmeticTest.cpp.
#include "listdialogs/GroupChoice.h"
#include "listdialogs/CaseDuplicatesDialog.h"

#include <algorithm>
#include <vector>

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "lists/CaseDuplicates.h"
#include "listdialogs/ListToolsHost.h"
#include "store/AddressStore.h"
#include "ui/BackgroundWork.h"
#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"

namespace {

namespace Controls = CaseDuplicatesControls;

const QString kTitle = QStringLiteral("大小写重复");
// A list of more sets than this would take long to build and no one reads it through; the count says the rest.
constexpr std::size_t kSetsShown = 2000;

class CaseDuplicatesDialog final : public QDialog {
public:
    CaseDuplicatesDialog(QWidget* parent, AddressStore& store, ListToolsHost& host)
        : QDialog(parent), m_store(store), m_host(host) {
        setWindowTitle(kTitle);
        resize(520, 420);
        m_group = new QComboBox(this);
        m_group->setObjectName(QLatin1String(Controls::kGroup));
        auto* top = new QFormLayout;
        top->addRow(QStringLiteral("邮件组："), m_group);
        auto* note = new QLabel(QStringLiteral("只在字母大小写上不同的地址（如 Foo@QQ.com 与 foo@qq.com）"
                                               "是同一个邮箱。每组保留最先存入的一个，其余的可以删除。"),
                                this);
        note->setWordWrap(true);
        m_sets = new QTreeWidget(this);
        m_sets->setObjectName(QLatin1String(Controls::kSets));
        m_sets->setHeaderLabels({QStringLiteral("地址"), QStringLiteral("处理")});
        m_sets->setColumnWidth(0, 340);
        m_summary = new QLabel(this);
        m_summary->setObjectName(QLatin1String(Controls::kSummary));
        auto* buttons = new QDialogButtonBox(this);
        m_delete = buttons->addButton(QStringLiteral("删除重复"), QDialogButtonBox::ActionRole);
        m_delete->setObjectName(QLatin1String(Controls::kDelete));
        buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
        connect(m_delete, &QPushButton::clicked, this, &CaseDuplicatesDialog::onDelete);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(top);
        layout->addWidget(note);
        layout->addWidget(m_sets);
        layout->addWidget(m_summary);
        layout->addWidget(buttons);

        std::vector<GroupRecord> groups;
        m_store.LoadGroups(groups);
        fillGroupChoice(*m_group, groups, m_host.groupOnShow());
        connect(m_group, &QComboBox::currentIndexChanged, this, &CaseDuplicatesDialog::scan);
    }

    // Finds the sets of the chosen group and shows them.
    void scan() {
        m_scan = {};
        m_sets->clear();
        m_delete->setEnabled(false);
        if (m_group->count() == 0) return m_summary->setText(QStringLiteral("通讯录里还没有邮件组。"));
        const RowId group = groupId();
        BackgroundWork work;
        work.title = kTitle;
        work.run = [&](std::stop_token stop) { m_scan = findCaseDuplicates(m_store, group, stop); };
        work.describe = [] { return QStringLiteral("正在查找大小写重复的地址…"); };
        work.percent = [] { return -1; };
        runInBackground(this, work);
        if (!m_scan.failure.empty()) {
            m_summary->setText(QStringLiteral("查找失败。"));
            return messageBox(QStringLiteral("查找时数据库出错：\n%1").arg(fromCp936(m_scan.failure)), this);
        }
        if (m_scan.cancelled) return m_summary->setText(QStringLiteral("查找已停止。"));
        for (std::size_t i = 0; i < std::min(m_scan.sets.size(), kSetsShown); ++i) {
            const CaseDuplicateSet& set = m_scan.sets[i];
            auto* kept = new QTreeWidgetItem(m_sets, {fromCp936(set.kept.email), QStringLiteral("保留")});
            for (const StoredAddress& extra : set.extra)
                new QTreeWidgetItem(kept, {fromCp936(extra.email), QStringLiteral("删除")});
        }
        m_sets->expandAll();
        QString summary = QStringLiteral("共 %1 组，将删除 %2 个地址").arg(m_scan.sets.size()).arg(m_scan.extra);
        if (m_scan.sets.size() > kSetsShown) summary += QStringLiteral("（列表只显示前 %1 组）").arg(kSetsShown);
        m_summary->setText(summary);
        m_delete->setEnabled(m_scan.extra > 0);
    }

private:
    RowId groupId() const { return chosenGroup(*m_group); }

    void onDelete() {
        const RowId group = groupId();
        if (!askYesNo(QStringLiteral("从组“%1”删除 %2 个只在大小写上与别的地址不同的地址？每组保留最先存入的一个。")
                          .arg(m_group->currentText())
                          .arg(m_scan.extra),
                      kTitle, this))
            return;
        CaseDuplicatesProgress progress;
        CaseDuplicatesDeletion deletion;
        BackgroundWork work;
        work.title = kTitle;
        work.run = [&](std::stop_token stop) {
            deletion = deleteCaseDuplicates(m_store, group, m_scan.sets, &progress, stop);
        };
        work.describe = [&] {
            return QStringLiteral("正在删除…已删除 %1 / %2 个地址")
                .arg(progress.deleted.load())
                .arg(progress.total.load());
        };
        work.percent = [&] {
            const std::int64_t total = progress.total.load();
            return total == 0 ? 0 : static_cast<int>(progress.deleted.load() * 100 / total);
        };
        runInBackground(this, work);
        m_host.bookChanged();
        QString said = deletion.cancelled ? QStringLiteral("删除已停止：已删除 %1 个地址。").arg(deletion.deleted)
                                          : QStringLiteral("已删除 %1 个地址。").arg(deletion.deleted);
        if (deletion.skipped > 0)
            said += QStringLiteral("\n%1 个地址在查找之后被改动过，没有删除。").arg(deletion.skipped);
        if (!deletion.failure.empty())
            said += QStringLiteral("\n数据库出错，其余的没有删除：\n%1").arg(fromCp936(deletion.failure));
        messageBox(said, this);
        scan();
    }

    AddressStore& m_store;
    ListToolsHost& m_host;
    QComboBox* m_group = nullptr;
    QTreeWidget* m_sets = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_delete = nullptr;
    CaseDuplicatesScan m_scan;
};

} // namespace

void openCaseDuplicates(QWidget* parent, AddressStore& store, ListToolsHost& host) {
    CaseDuplicatesDialog dialog(parent, store, host);
    dialog.scan();
    dialog.exec();
}
