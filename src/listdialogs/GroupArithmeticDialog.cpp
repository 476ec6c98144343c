// Tested by tests/gui/GroupArithmeticTest.cpp.
#include "listdialogs/GroupChoice.h"
#include "listdialogs/GroupArithmeticDialog.h"

#include <optional>
#include <string>
#include <vector>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "lists/GroupArithmetic.h"
#include "listdialogs/ListToolsHost.h"
#include "store/AddressStore.h"
#include "textfiles/TextFileName.h"
#include "ui/BackgroundWork.h"
#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"

namespace {

namespace Controls = GroupArithmeticControls;

const QString kTitle = QStringLiteral("组运算");

class GroupArithmeticDialog final : public QDialog {
public:
    GroupArithmeticDialog(QWidget* parent, AddressStore& store, ListToolsHost& host)
        : QDialog(parent), m_store(store), m_host(host) {
        setWindowTitle(kTitle);
        m_groupA = combo(Controls::kGroupA);
        m_groupB = combo(Controls::kGroupB);
        auto* groups = new QFormLayout;
        groups->addRow(QStringLiteral("组 A："), m_groupA);
        groups->addRow(QStringLiteral("组 B："), m_groupB);

        auto* operations = new QGroupBox(QStringLiteral("运算"), this);
        auto* operationLayout = new QVBoxLayout(operations);
        const struct {
            const char* name;
            QString text;
        } choices[] = {
            {Controls::kUnion, QStringLiteral("A ∪ B　并集：A 或 B 中的地址")},
            {Controls::kIntersection, QStringLiteral("A ∩ B　交集：同时在 A 和 B 中的地址")},
            {Controls::kDifference, QStringLiteral("A − B　差集：在 A 中但不在 B 中的地址")},
            {Controls::kMerge, QStringLiteral("把 A 合并到 B：A 的地址移到 B（B 中已有的不再重复），然后删除 A")},
        };
        for (int i = 0; i < 4; ++i) {
            auto* button = new QRadioButton(choices[i].text, operations);
            button->setObjectName(QLatin1String(choices[i].name));
            m_operation.addButton(button, i);
            operationLayout->addWidget(button);
        }
        m_operation.button(0)->setChecked(true);

        m_output = new QGroupBox(QStringLiteral("结果"), this);
        auto* outputLayout = new QFormLayout(m_output);
        m_toGroup = new QRadioButton(QStringLiteral("存为新组，名称："), m_output);
        m_toGroup->setObjectName(QLatin1String(Controls::kToGroup));
        m_toGroup->setChecked(true);
        m_newName = new QLineEdit(m_output);
        m_newName->setObjectName(QLatin1String(Controls::kNewName));
        m_toFile = new QRadioButton(QStringLiteral("写入文本文件（每行一个地址）"), m_output);
        m_toFile->setObjectName(QLatin1String(Controls::kToFile));
        outputLayout->addRow(m_toGroup, m_newName);
        outputLayout->addRow(m_toFile);

        m_ignoreCase = new QCheckBox(QStringLiteral("忽略大小写（Foo@QQ.com 与 foo@qq.com 算同一个地址）"), this);
        m_ignoreCase->setObjectName(QLatin1String(Controls::kIgnoreCase));

        auto* buttons = new QDialogButtonBox(this);
        QPushButton* start = buttons->addButton(QStringLiteral("开始"), QDialogButtonBox::AcceptRole);
        start->setObjectName(QLatin1String(Controls::kStart));
        buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, &GroupArithmeticDialog::onStart);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(&m_operation, &QButtonGroup::idClicked, this, [this](int id) { m_output->setEnabled(id != 3); });

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(groups);
        layout->addWidget(operations);
        layout->addWidget(m_output);
        layout->addWidget(m_ignoreCase);
        layout->addWidget(buttons);
        fillGroups();
    }

private:
    QComboBox* combo(const char* name) {
        auto* box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        return box;
    }

    void fillGroups() {
        std::vector<GroupRecord> groups;
        m_store.LoadGroups(groups);
        fillGroupChoice(*m_groupA, groups, m_host.groupOnShow());
        fillGroupChoice(*m_groupB, groups, 0);
        m_groupB->setCurrentIndex(m_groupA->currentIndex() == 0 && m_groupB->count() > 1 ? 1 : 0);
    }

    void onStart() {
        if (m_groupA->count() == 0) return messageBox(QStringLiteral("通讯录里还没有邮件组。"), this);
        const RowId a = chosenGroup(*m_groupA);
        const RowId b = chosenGroup(*m_groupB);
        const int operation = m_operation.checkedId();
        if (a == b && (operation == 2 || operation == 3))
            return messageBox(QStringLiteral("A 和 B 是同一个组，请选择两个不同的组。"), this);
        if (operation == 3) return merge(a, b);

        const GroupCombination combination{operation == 0   ? GroupOperation::kUnion
                                           : operation == 1 ? GroupOperation::kIntersection
                                                            : GroupOperation::kDifference,
                                           a, b, m_ignoreCase->isChecked()};
        GroupArithmeticProgress progress;
        GroupArithmeticResult result;
        BackgroundWork work;
        work.title = kTitle;
        work.percent = [&] { return progress.percent.load(); };
        if (m_toGroup->isChecked()) {
            const QString typed = m_newName->text().trimmed();
            if (typed.isEmpty()) return messageBox(QStringLiteral("请输入新组的名称。"), this);
            const std::optional<std::string> name = toCp936(typed);
            if (!name) return messageBox(QStringLiteral("组名里有 GBK 编码无法表示的字符，请换一个名称。"), this);
            work.run = [&](std::stop_token stop) {
                result = combineIntoGroup(m_store, combination, *name, &progress, stop);
            };
            work.describe = [&] { return QStringLiteral("正在建立新组“%1”…").arg(typed); };
            runInBackground(this, work);
            if (result.outcome == ArithmeticOutcome::kDone) {
                m_host.bookChanged();
                messageBox(QStringLiteral("新组“%1”已建立，共 %2 个地址。").arg(typed).arg(result.rows), this);
                return accept();
            }
            return tell(result, typed);
        }
        FileChooser chooser;
        chooser.kind = FileChooser::Kind::Save;
        chooser.filter = QStringLiteral("Text Files (*.txt);;All Files (*)");
        const std::optional<std::string> picked = prompts().chooseFile(this, chooser);
        if (!picked) return;
        const std::string path = withTxtExtension(*picked);
        if (pathExists(path) && !askYesNo(QStringLiteral("%1 已经存在，要替换它吗？").arg(pathForDisplay(path)),
                                          QStringLiteral("文件覆盖询问"), this))
            return;
        work.run = [&](std::stop_token stop) { result = combineIntoFile(m_store, combination, path, &progress, stop); };
        work.describe = [&] { return QStringLiteral("正在写入文件…已写 %1 个地址").arg(progress.rows.load()); };
        runInBackground(this, work);
        if (result.outcome == ArithmeticOutcome::kDone) {
            messageBox(QStringLiteral("已把 %1 个地址写入 %2。").arg(result.rows).arg(pathForDisplay(path)), this);
            return accept();
        }
        tell(result, {});
    }

    void merge(RowId a, RowId b) {
        const QString nameA = m_groupA->currentText(), nameB = m_groupB->currentText();
        if (!askYesNo(QStringLiteral("把组“%1”的地址移到组“%2”（“%2”中已有的地址不再重复），然后删除组“%1”。\n"
                                     "要继续吗？")
                          .arg(nameA, nameB),
                      kTitle, this))
            return;
        GroupArithmeticProgress progress;
        GroupArithmeticResult result;
        BackgroundWork work;
        work.title = kTitle;
        work.run = [&](std::stop_token stop) {
            result = mergeGroupInto(m_store, a, b, m_ignoreCase->isChecked(), &progress, stop);
        };
        work.describe = [&] {
            return QStringLiteral("正在把“%1”合并到“%2”…已移动 %3 个地址").arg(nameA, nameB).arg(progress.rows.load());
        };
        work.percent = [&] { return progress.percent.load(); };
        runInBackground(this, work);
        if (result.outcome == ArithmeticOutcome::kDone) {
            m_host.bookChanged();
            messageBox(QStringLiteral("已把 %1 个地址移到组“%2”，组“%3”已删除（其中 %4 个地址“%2”已有，随之删除）。")
                           .arg(result.rows)
                           .arg(nameB, nameA)
                           .arg(result.dropped),
                       this);
            return accept();
        }
        tell(result, {});
    }

    // Says why a run did not finish. A run that failed may have had to take back what it did; the book was
    // read again in case that failed too.
    void tell(const GroupArithmeticResult& result, const QString& name) {
        switch (result.outcome) {
        case ArithmeticOutcome::kDone:
            return;
        case ArithmeticOutcome::kCancelled:
            return messageBox(QStringLiteral("已停止，通讯录和文件都没有改变。"), this);
        case ArithmeticOutcome::kSameGroups:
            return messageBox(QStringLiteral("A 和 B 是同一个组，请选择两个不同的组。"), this);
        case ArithmeticOutcome::kNoSuchGroup:
            fillGroups();
            return messageBox(QStringLiteral("所选的组已经不存在（可能被别的程序删除了），请重新选择。"), this);
        case ArithmeticOutcome::kEmptyName:
            return messageBox(QStringLiteral("请输入新组的名称。"), this);
        case ArithmeticOutcome::kNameNotStorable:
            return messageBox(QStringLiteral("组名里有 GBK 编码无法表示的字符，请换一个名称。"), this);
        case ArithmeticOutcome::kNameTaken:
            return messageBox(QStringLiteral("已经有名为“%1”的组，请换一个名称。").arg(name), this);
        case ArithmeticOutcome::kFileFailed:
            return messageBox(
                QStringLiteral("无法写入文件，文件没有改变：\n%1").arg(QString::fromLocal8Bit(result.failure)), this);
        case ArithmeticOutcome::kDatabaseFailed:
            m_host.bookChanged();
            fillGroups();
            return messageBox(QStringLiteral("数据库出错，运算没有完成：\n%1").arg(fromCp936(result.failure)), this);
        }
    }

    AddressStore& m_store;
    ListToolsHost& m_host;
    QComboBox* m_groupA = nullptr;
    QComboBox* m_groupB = nullptr;
    QButtonGroup m_operation;
    QGroupBox* m_output = nullptr;
    QRadioButton* m_toGroup = nullptr;
    QLineEdit* m_newName = nullptr;
    QRadioButton* m_toFile = nullptr;
    QCheckBox* m_ignoreCase = nullptr;
};

} // namespace

void openGroupArithmetic(QWidget* parent, AddressStore& store, ListToolsHost& host) {
    GroupArithmeticDialog dialog(parent, store, host);
    dialog.exec();
}
