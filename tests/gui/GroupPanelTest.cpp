// The group panel: selecting a group, and new, rename and delete through the name dialog, with and without a
// selection, with several rows selected, cancelled, and with text the book cannot hold.
#include <memory>

#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include "app/CCorvaneDlg.h"
#include "support/GuiTestSupport.h"
#include "ui/ReportList.h"

class GroupPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_book = std::make_unique<TestBook>();
        m_scope = std::make_unique<ScriptedPromptsScope>();
        m_prompts = &**m_scope;
        for (const char* name : {"one", "two", "three"})
            m_book->addGroup(name);
        m_window = std::make_unique<CCorvaneDlg>();
        m_window->Create();
        m_groups = m_window->findChild<ReportList*>(QStringLiteral("1000"));
    }

    void cleanup() {
        m_window.reset();
        m_scope.reset();
        m_book.reset();
    }

    void newGroupStoresTheTextExactlyAsTyped() {
        QString title;
        QString startText = QStringLiteral("unset");
        WhenModalOpens([&](QDialog* dialog) {
            title = dialog->windowTitle();
            startText = dialog->findChild<QLineEdit*>(QStringLiteral("1013"))->text();
            TypeAndClick(dialog, 1013, QStringLiteral(" 朋友 & co "), 1);
        });
        ClickButton(m_window.get(), 1001);
        QCOMPARE(title, QStringLiteral("输入新邮件组组名"));
        QCOMPARE(startText, QString());
        QCOMPARE(m_book->groups().back().name, std::string(" \xC5\xF3\xD3\xD1 & co ")); // GBK bytes, untrimmed
        QCOMPARE(ColumnTexts(m_groups).first(), QStringLiteral(" 朋友 & co "));

        // An empty name and a repeated one are passed on as they are.
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, 1013, QString(), 1); });
        ClickButton(m_window.get(), 1001);
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, 1013, QStringLiteral("one"), 1); });
        ClickButton(m_window.get(), 1001);
        QCOMPARE(ColumnTexts(m_groups), (QStringList{"one", "", QStringLiteral(" 朋友 & co "), "three", "two", "one"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void textTheBookCannotHoldIsRefusedAndTheDialogStaysOpen() {
        WhenModalOpens([this](QDialog* dialog) {
            TypeAndClick(dialog, 1013, QStringLiteral("한국"), 1);
            QVERIFY(dialog->isVisible());
            QCOMPARE(m_prompts->shown.size(), std::size_t(1));
            QVERIFY(m_prompts->shown.front().text.contains(QStringLiteral("无法保存")));
            TypeAndClick(dialog, 1013, QStringLiteral("ok"), 1);
        });
        ClickButton(m_window.get(), 1001);
        QCOMPARE(m_book->groups().size(), std::size_t(4));
        QCOMPARE(m_book->groups().back().name, std::string("ok"));
    }

    void renameAndDeleteActOnTheTopmostSelectedRow() {
        // Rows show three, two, one; select "one" then "two": "two" is the topmost selected.
        ClickRow(m_groups, 2);
        ClickRow(m_groups, 1, Qt::ControlModifier);
        QCOMPARE(m_groups->selectedItems().size(), 2);
        QString title;
        QString startText = QStringLiteral("unset");
        WhenModalOpens([&](QDialog* dialog) {
            title = dialog->windowTitle();
            startText = dialog->findChild<QLineEdit*>(QStringLiteral("1013"))->text();
            TypeAndClick(dialog, 1013, QStringLiteral("deux"), 1);
        });
        ClickButton(m_window.get(), 1003);
        QCOMPARE(title, QStringLiteral("重命名组名"));
        QCOMPARE(startText, QString()); // the old name is not offered
        QCOMPARE(ColumnTexts(m_groups), (QStringList{"three", "deux", "one"}));
        QVERIFY(m_groups->selectedItems().isEmpty()); // the reload clears the selection

        ClickRow(m_groups, 2);
        ClickRow(m_groups, 0, Qt::ControlModifier);
        ClickButton(m_window.get(), 1002); // no question asked
        QCOMPARE(ColumnTexts(m_groups), (QStringList{"deux", "one"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void withoutASelectionOnlyNewOpensItsDialog() {
        ClickButton(m_window.get(), 1002);
        ClickButton(m_window.get(), 1003);
        QCOMPARE(m_prompts->takeTexts(),
                 (QStringList{QStringLiteral("没有选择删除项"), QStringLiteral("没有选择编辑项")}));
        // Cancel, by button and by Escape, changes nothing and says nothing.
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, 1013, QStringLiteral("x"), 2); });
        ClickButton(m_window.get(), 1001);
        ClickRow(m_groups, 0);
        WhenModalOpens([](QDialog* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("1013")), QStringLiteral("y"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        ClickButton(m_window.get(), 1003);
        QCOMPARE(ColumnTexts(m_groups), (QStringList{"three", "two", "one"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void aClickSelectsTheGroupButKeysAndEmptySpaceDoNot() {
        m_book->addAddresses(m_book->groups()[1].id, 3); // "two"
        ClickRow(m_groups, 1);
        QCOMPARE(ShownText(m_window.get(), 1012), QStringLiteral("two"));
        auto* addresses = m_window->findChild<ReportList*>(QStringLiteral("1005"));
        QTRY_COMPARE(addresses->GetItemCount(), 3);
        QTRY_COMPARE(ShownText(m_window.get(), 1023), QStringLiteral("共计3个 第1/1页"));

        // A click on the empty part of the list clears the selection and leaves the group on show.
        QTest::mouseClick(m_groups->viewport(), Qt::LeftButton, {}, QPoint(5, m_groups->viewport()->height() - 5));
        QVERIFY(m_groups->selectedItems().isEmpty());
        QCOMPARE(ShownText(m_window.get(), 1012), QStringLiteral("two"));
        QCOMPARE(addresses->GetItemCount(), 3);

        // Arrow keys move the selection without loading; Space takes the row as a click would.
        m_groups->setFocus();
        m_groups->setCurrentItem(m_groups->topLevelItem(1));
        QTest::keyClick(m_groups, Qt::Key_Down);
        QCOMPARE(ShownText(m_window.get(), 1012), QStringLiteral("two"));
        QTest::keyClick(m_groups, Qt::Key_Space);
        QCOMPARE(ShownText(m_window.get(), 1012), QStringLiteral("one"));
        QTRY_COMPARE(ShownText(m_window.get(), 1023), QStringLiteral("共计0个 第1/1页"));
        QCOMPARE(addresses->GetItemCount(), 0);
    }

    void deletingTheGroupOnShowLeavesThePanelAsItWas() {
        const std::int32_t two = m_book->groups()[1].id;
        m_book->addAddresses(two, 2);
        ClickRow(m_groups, 1);
        auto* addresses = m_window->findChild<ReportList*>(QStringLiteral("1005"));
        QTRY_COMPARE(addresses->GetItemCount(), 2);
        ClickRow(m_groups, 1); // shows the group again
        QTRY_COMPARE(addresses->GetItemCount(), 2);
        ClickButton(m_window.get(), 1002);
        QCOMPARE(ColumnTexts(m_groups), (QStringList{"three", "one"}));
        QCOMPARE(ShownText(m_window.get(), 1012), QStringLiteral("two"));
        QCOMPARE(addresses->GetItemCount(), 2);
        QCOMPARE(m_book->addresses(two).size(), std::size_t(2)); // the addresses stay in the book
    }

private:
    std::unique_ptr<TestBook> m_book;
    std::unique_ptr<ScriptedPromptsScope> m_scope;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CCorvaneDlg> m_window;
    ReportList* m_groups = nullptr;
};

QTEST_MAIN(GroupPanelTest)
#include "GroupPanelTest.moc"
