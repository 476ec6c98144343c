// The group panel: selecting a group, and new, rename and delete through the name dialog, with and without a
// selection, with several rows selected, cancelled, and with text the book cannot hold.
#include <memory>

#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include "app/CCorvaneDlg.h"
#include "app/MainWindowIds.h"
#include "dialogs/DialogIds.h"
#include "support/WindowTest.h"
#include "ui/ReportList.h"

class GroupPanelTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() {
        makeBook();
        for (const char* name : {"one", "two", "three"})
            m_book->addGroup(name);
        open();
    }

    void cleanup() { closeAll(); }

    void newGroupStoresTheTextExactlyAsTyped() {
        QString title;
        QString startText = QStringLiteral("unset");
        WhenModalOpens([&](QDialog* dialog) {
            title = dialog->windowTitle();
            startText = dialog->findChild<QLineEdit*>(QString::number(NameEntryIds::kText))->text();
            TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral(" 朋友 & co "), 1);
        });
        ClickButton(m_window.get(), MainWindowIds::kNewGroup);
        QCOMPARE(title, QStringLiteral("输入新邮件组组名"));
        QCOMPARE(startText, QString());
        QCOMPARE(m_book->groups().back().name, std::string(" \xC5\xF3\xD3\xD1 & co ")); // GBK bytes, untrimmed
        QCOMPARE(ColumnTexts(groups()).first(), QStringLiteral(" 朋友 & co "));

        // An empty name and a repeated one are passed on as they are.
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, NameEntryIds::kText, QString(), 1); });
        ClickButton(m_window.get(), MainWindowIds::kNewGroup);
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral("one"), 1); });
        ClickButton(m_window.get(), MainWindowIds::kNewGroup);
        QCOMPARE(ColumnTexts(groups()), (QStringList{"one", "", QStringLiteral(" 朋友 & co "), "three", "two", "one"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void textTheBookCannotHoldIsRefusedAndTheDialogStaysOpen() {
        WhenModalOpens([this](QDialog* dialog) {
            TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral("한국"), 1);
            QVERIFY(dialog->isVisible());
            QCOMPARE(m_prompts->shown.size(), std::size_t(1));
            QVERIFY(m_prompts->shown.front().text.contains(QStringLiteral("无法保存")));
            TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral("ok"), 1);
        });
        ClickButton(m_window.get(), MainWindowIds::kNewGroup);
        QCOMPARE(m_book->groups().size(), std::size_t(4));
        QCOMPARE(m_book->groups().back().name, std::string("ok"));
    }

    void renameAndDeleteActOnTheTopmostSelectedRow() {
        // Rows show three, two, one; select "one" then "two": "two" is the topmost selected.
        ClickRow(groups(), 2);
        ClickRow(groups(), 1, Qt::ControlModifier);
        QCOMPARE(groups()->selectedItems().size(), 2);
        QString title;
        QString startText = QStringLiteral("unset");
        WhenModalOpens([&](QDialog* dialog) {
            title = dialog->windowTitle();
            startText = dialog->findChild<QLineEdit*>(QString::number(NameEntryIds::kText))->text();
            TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral("deux"), 1);
        });
        ClickButton(m_window.get(), MainWindowIds::kRenameGroup);
        QCOMPARE(title, QStringLiteral("重命名组名"));
        QCOMPARE(startText, QString()); // the old name is not offered
        QCOMPARE(ColumnTexts(groups()), (QStringList{"three", "deux", "one"}));
        QVERIFY(groups()->selectedItems().isEmpty()); // the reload clears the selection

        ClickRow(groups(), 2);
        ClickRow(groups(), 0, Qt::ControlModifier);
        ClickButton(m_window.get(), MainWindowIds::kDeleteGroup); // no question asked
        QCOMPARE(ColumnTexts(groups()), (QStringList{"deux", "one"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void withoutASelectionOnlyNewOpensItsDialog() {
        ClickButton(m_window.get(), MainWindowIds::kDeleteGroup);
        ClickButton(m_window.get(), MainWindowIds::kRenameGroup);
        QCOMPARE(m_prompts->takeTexts(),
                 (QStringList{QStringLiteral("没有选择删除项"), QStringLiteral("没有选择编辑项")}));
        // Cancel, by button and by Escape, changes nothing and says nothing.
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral("x"), 2); });
        ClickButton(m_window.get(), MainWindowIds::kNewGroup);
        ClickRow(groups(), 0);
        WhenModalOpens([](QDialog* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QString::number(NameEntryIds::kText)), QStringLiteral("y"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        ClickButton(m_window.get(), MainWindowIds::kRenameGroup);
        QCOMPARE(ColumnTexts(groups()), (QStringList{"three", "two", "one"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void aClickSelectsTheGroupButKeysAndEmptySpaceDoNot() {
        m_book->addAddresses(m_book->groups()[1].id, 3); // "two"
        ClickRow(groups(), 1);
        QCOMPARE(ShownText(m_window.get(), MainWindowIds::kGroupCaption), QStringLiteral("two"));
        auto* addresses = m_window->findChild<ReportList*>(QString::number(MainWindowIds::kAddressList));
        QTRY_COMPARE(addresses->GetItemCount(), 3);
        QTRY_COMPARE(ShownText(m_window.get(), MainWindowIds::kPageLabel), QStringLiteral("共计3个 第1/1页"));

        // A click on the empty part of the list clears the selection and leaves the group on show.
        QTest::mouseClick(groups()->viewport(), Qt::LeftButton, {}, QPoint(5, groups()->viewport()->height() - 5));
        QVERIFY(groups()->selectedItems().isEmpty());
        QCOMPARE(ShownText(m_window.get(), MainWindowIds::kGroupCaption), QStringLiteral("two"));
        QCOMPARE(addresses->GetItemCount(), 3);

        // Arrow keys move the selection without loading; Space takes the row as a click would.
        groups()->setFocus();
        groups()->setCurrentItem(groups()->topLevelItem(1));
        QTest::keyClick(groups(), Qt::Key_Down);
        QCOMPARE(ShownText(m_window.get(), MainWindowIds::kGroupCaption), QStringLiteral("two"));
        QTest::keyClick(groups(), Qt::Key_Space);
        QCOMPARE(ShownText(m_window.get(), MainWindowIds::kGroupCaption), QStringLiteral("one"));
        QTRY_COMPARE(ShownText(m_window.get(), MainWindowIds::kPageLabel), QStringLiteral("共计0个 第1/1页"));
        QCOMPARE(addresses->GetItemCount(), 0);
    }

    // A group with addresses goes with them, after a question that names it and its size; the panel then shows no
    // group, so nothing can be added under the deleted group's id.
    void deletingAGroupAsksTakesItsAddressesAndLeavesNoGroupOnShow() {
        const std::int32_t two = m_book->groups()[1].id;
        m_book->addAddresses(two, 2);
        ClickRow(groups(), 1);
        auto* addresses = m_window->findChild<ReportList*>(QString::number(MainWindowIds::kAddressList));
        QTRY_COMPARE(addresses->GetItemCount(), 2);

        m_prompts->answers.push_back(PromptAnswer::No);
        ClickButton(m_window.get(), MainWindowIds::kDeleteGroup);
        QCOMPARE(m_prompts->shown.back().text,
                 QStringLiteral("邮件组“two”中有 2 个地址，删除这个组会同时删除这些地址。确定要删除吗？"));
        QCOMPARE(m_prompts->shown.back().buttons, PromptButtons::YesNo);
        QCOMPARE(ColumnTexts(groups()), (QStringList{"three", "two", "one"}));
        QCOMPARE(m_book->addresses(two).size(), std::size_t(2));

        ClickButton(m_window.get(), MainWindowIds::kDeleteGroup); // Yes
        QCOMPARE(ColumnTexts(groups()), (QStringList{"three", "one"}));
        QVERIFY(m_book->addresses(two).empty());
        QCOMPARE(ShownText(m_window.get(), MainWindowIds::kGroupCaption), QString());
        QCOMPARE(ShownText(m_window.get(), MainWindowIds::kPageLabel), QString());
        QCOMPARE(addresses->GetItemCount(), 0);
        m_prompts->shown.clear();
        ClickButton(m_window.get(), MainWindowIds::kImport); // 导入 wants a group now
        QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("请先选择邮件组！")});

        // An empty group goes at once.
        ClickRow(groups(), 1);
        ClickButton(m_window.get(), MainWindowIds::kDeleteGroup);
        QVERIFY(m_prompts->shown.empty());
        QCOMPARE(ColumnTexts(groups()), QStringList{"three"});
    }
};

QTEST_MAIN(GroupPanelTest)
#include "GroupPanelTest.moc"
