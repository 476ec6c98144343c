// The group tools through the window's menu: an operation into a new group shows that group in the window's list,
// a merge asks first and then A is gone, and the case duplicates are listed and deleted.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "app/CCorvaneDlg.h"
#include "listdialogs/CaseDuplicatesDialog.h"
#include "listdialogs/GroupArithmeticDialog.h"
#include "listdialogs/ListMenu.h"
#include "support/WindowTest.h"
#include "ui/ReportList.h"

namespace {

template <class Widget> Widget* control(QDialog* dialog, const char* name) {
    auto* widget = dialog->findChild<Widget*>(QLatin1String(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
}

QStringList emailsOf(WindowBook& book, std::int32_t group) {
    QStringList emails;
    for (const AddressRecord& address : book.addresses(group))
        emails << QString::fromStdString(address.email);
    emails.sort();
    return emails;
}

} // namespace

class GroupArithmeticTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() { makeBook(); }

    void cleanup() { closeAll(); }

    void show(std::int32_t group) {
        selectGroup(group);
        QTRY_COMPARE(m_window->groupOnShow(), RowId(group));
    }

    void anIntersectionIntoANewGroupShowsTheGroupInTheList() {
        const std::int32_t a = m_book->addGroup("A");
        const std::int32_t b = m_book->addGroup("B");
        m_book->addAddresses(a, 5, "a");
        m_book->addAddresses(b, 3, "a");
        m_book->addAddresses(b, 2, "b");
        open();
        show(b);
        QString groupA;
        WhenModalOpens([&](QDialog* dialog) {
            groupA = control<QComboBox>(dialog, GroupArithmeticControls::kGroupA)->currentText();
            control<QComboBox>(dialog, GroupArithmeticControls::kGroupA)->setCurrentIndex(0);
            control<QComboBox>(dialog, GroupArithmeticControls::kGroupB)->setCurrentIndex(1);
            control<QRadioButton>(dialog, GroupArithmeticControls::kIntersection)->click();
            auto* name = control<QLineEdit>(dialog, GroupArithmeticControls::kNewName);
            auto* start = control<QPushButton>(dialog, GroupArithmeticControls::kStart);
            name->setText(QStringLiteral("A")); // taken
            start->click();
            QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("已经有名为“A”的组，请换一个名称。")});
            QVERIFY(dialog->isVisible());
            name->setText(QStringLiteral("交集"));
            start->click();
            QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("新组“交集”已建立，共 3 个地址。")});
            QTRY_VERIFY(!dialog->isVisible());
        });
        m_window->findChild<QAction*>(ListMenuActions::kGroupArithmetic)->trigger();
        QCOMPARE(groupA, QStringLiteral("B")); // preset to the group on show
        QTRY_VERIFY(ColumnTexts(groups()).contains(QStringLiteral("交集")));
        const std::vector<GroupRecord> all = m_book->groups();
        QCOMPARE(all.size(), std::size_t(3));
        QCOMPARE(emailsOf(*m_book, static_cast<std::int32_t>(all.back().id)),
                 (QStringList{"a0000@x", "a0001@x", "a0002@x"}));
    }

    void aMergeAsksAndThenAIsGone() {
        const std::int32_t a = m_book->addGroup("A");
        const std::int32_t b = m_book->addGroup("B");
        m_book->addAddresses(a, 5, "a");
        m_book->addAddresses(b, 3, "a");
        open();
        show(a);
        QStringList said;
        WhenModalOpens([&](QDialog* dialog) {
            QCOMPARE(control<QComboBox>(dialog, GroupArithmeticControls::kGroupA)->currentText(), QStringLiteral("A"));
            control<QComboBox>(dialog, GroupArithmeticControls::kGroupB)->setCurrentIndex(1);
            control<QRadioButton>(dialog, GroupArithmeticControls::kMerge)->click();
            m_prompts->answers.push_back(PromptAnswer::No);
            control<QPushButton>(dialog, GroupArithmeticControls::kStart)->click();
            QCOMPARE(m_book->groups().size(), std::size_t(2)); // "No" changes nothing
            control<QPushButton>(dialog, GroupArithmeticControls::kStart)->click();
            said = m_prompts->takeTexts();
            QTRY_VERIFY(!dialog->isVisible());
        });
        m_window->findChild<QAction*>(ListMenuActions::kGroupArithmetic)->trigger();
        QCOMPARE(said.size(), 3);
        QVERIFY2(said[0].contains(QStringLiteral("“A”")) && said[0].contains(QStringLiteral("“B”")),
                 qPrintable(said[0]));
        QCOMPARE(said[2], QStringLiteral("已把 2 个地址移到组“B”，组“A”已删除（其中 3 个地址“B”已有，随之删除）。"));
        QTRY_COMPARE(ColumnTexts(groups()), QStringList{QStringLiteral("B")});
        QCOMPARE(emailsOf(*m_book, b), (QStringList{"a0000@x", "a0001@x", "a0002@x", "a0003@x", "a0004@x"}));
        QVERIFY(m_book->addresses(a).empty());
    }

    void caseDuplicatesAreListedAndDeleted() {
        const std::int32_t g = m_book->addGroup("g");
        for (const char* email : {"Foo@QQ.com", "bar@x", "foo@qq.com", "FOO@QQ.COM", "solo@x"})
            m_book->store().InsertAddress(g, email, "");
        open();
        show(g);
        QString before, after;
        QStringList listed;
        WhenModalOpens([&](QDialog* dialog) {
            before = control<QLabel>(dialog, CaseDuplicatesControls::kSummary)->text();
            auto* sets = control<QTreeWidget>(dialog, CaseDuplicatesControls::kSets);
            for (QTreeWidgetItem* set = sets->topLevelItem(0); set; set = sets->itemBelow(set))
                listed << set->text(0) + QLatin1Char(' ') + set->text(1);
            control<QPushButton>(dialog, CaseDuplicatesControls::kDelete)->click();
            after = control<QLabel>(dialog, CaseDuplicatesControls::kSummary)->text();
            QVERIFY(!control<QPushButton>(dialog, CaseDuplicatesControls::kDelete)->isEnabled());
            dialog->reject();
        });
        m_window->findChild<QAction*>(ListMenuActions::kCaseDuplicates)->trigger();
        QCOMPARE(before, QStringLiteral("共 1 组，将删除 2 个地址"));
        QCOMPARE(listed, (QStringList{QStringLiteral("Foo@QQ.com 保留"), QStringLiteral("foo@qq.com 删除"),
                                      QStringLiteral("FOO@QQ.COM 删除")}));
        const QStringList said = m_prompts->takeTexts();
        QCOMPARE(said.size(), 2);
        QCOMPARE(said[1], QStringLiteral("已删除 2 个地址。"));
        QCOMPARE(after, QStringLiteral("共 0 组，将删除 0 个地址"));
        QCOMPARE(emailsOf(*m_book, g), (QStringList{"Foo@QQ.com", "bar@x", "solo@x"}));
        QTRY_COMPARE(label(), QStringLiteral("共计3个 第1/1页"));
    }
};

QTEST_MAIN(GroupArithmeticTest)
#include "GroupArithmeticTest.moc"
