// 查找 and 按文件删除 through the main window: typing finds with the count, a double click shows the address at its
// page, selected; deleting found rows asks first; a file's addresses removed through the question to the summary.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "app/CCorvaneDlg.h"
#include "listdialogs/FindDialog.h"
#include "listdialogs/ListMenu.h"
#include "listdialogs/RemoveListedDialog.h"
#include "support/WindowTest.h"
#include "ui/ReportList.h"

class ListFindTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() { makeBook(); }

    void cleanup() { closeAll(); }

    void typingFindsAndADoubleClickShowsTheAddressAtItsPageSelected() {
        const std::int32_t other = m_book->addGroup("other");
        const std::int32_t big = m_book->addGroup("big");
        m_book->addAddresses(other, 3);
        m_book->addAddresses(big, 230);
        std::int64_t wanted = 0;
        for (const AddressRecord& address : m_book->addresses(big))
            if (address.email == TestEmail("a", 187)) wanted = address.id;
        open();
        selectGroup(other);
        WhenModalOpens([&](QDialog* dialog) {
            auto* text = dialog->findChild<QLineEdit*>(FindDialogControls::kText);
            auto* status = dialog->findChild<QLabel*>(FindDialogControls::kStatus);
            auto* results = dialog->findChild<QTreeWidget*>(FindDialogControls::kResults);
            QTest::keyClicks(text, "A01");
            QTRY_COMPARE(status->text(), QStringLiteral("找到 100 个")); // a0100..a0199 of big, none of other
            QTest::keyClicks(text, "87");
            QTRY_COMPARE(status->text(), QStringLiteral("找到 1 个"));
            QCOMPARE(results->topLevelItemCount(), 1);
            QTreeWidgetItem* item = results->topLevelItem(0);
            QCOMPARE(item->text(0), QStringLiteral("big"));
            QCOMPARE(item->text(1), QString::fromStdString(TestEmail("a", 187)));
            QCOMPARE(item->text(2), QStringLiteral("n0187"));
            const QPoint at = results->visualItemRect(item).center();
            // The press before the double click makes the row the one pressed, as a person's first click does.
            QTest::mouseClick(results->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseDClick(results->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTRY_VERIFY(!dialog->isVisible());
        });
        m_window->findChild<QAction*>(ListMenuActions::kFind)->trigger();
        QTRY_COMPARE(label(), QStringLiteral("共计230个 第4/5页"));
        QTRY_VERIFY(addresses()->GetFirstSelectedRow() >= 0);
        QCOMPARE(addresses()->GetItemData(addresses()->GetFirstSelectedRow()), wanted);
        QCOMPARE(m_window->groupOnShow(), RowId(big));
    }

    void deletingFoundRowsAsksAndRemovesThemFromTheirGroups() {
        const std::int32_t first = m_book->addGroup("first");
        const std::int32_t second = m_book->addGroup("second");
        m_book->addAddresses(first, 60);
        m_book->addAddresses(second, 2);
        open();
        selectGroup(first);
        QTRY_COMPARE(label(), QStringLiteral("共计60个 第1/2页"));
        WhenModalOpens([&](QDialog* dialog) {
            dialog->findChild<QComboBox*>(FindDialogControls::kMatch)->setCurrentIndex(1); // 开头是
            QTest::keyClicks(dialog->findChild<QLineEdit*>(FindDialogControls::kText), "a000");
            auto* status = dialog->findChild<QLabel*>(FindDialogControls::kStatus);
            auto* results = dialog->findChild<QTreeWidget*>(FindDialogControls::kResults);
            QTRY_COMPARE(status->text(), QStringLiteral("找到 12 个")); // a0000..a0009 of first, a0000..a0001
            for (int row : {0, 1, 2})
                results->topLevelItem(row)->setSelected(true);
            auto* remove = dialog->findChild<QPushButton*>(FindDialogControls::kDelete);
            m_prompts->answers.push_back(PromptAnswer::No);
            QTest::mouseClick(remove, Qt::LeftButton);
            QCOMPARE(results->topLevelItemCount(), 12);
            QTest::mouseClick(remove, Qt::LeftButton);
            QCOMPARE(m_prompts->takeTexts(),
                     (QStringList{QStringLiteral("确定要从所在的组中删除选中的 3 个地址吗？"),
                                  QStringLiteral("确定要从所在的组中删除选中的 3 个地址吗？")}));
            QCOMPARE(results->topLevelItemCount(), 9);
            QCOMPARE(status->text(), QStringLiteral("找到 9 个"));
            QCOMPARE(m_book->addresses(first).size() + m_book->addresses(second).size(), std::size_t(59));
            dialog->reject();
        });
        m_window->findChild<QAction*>(ListMenuActions::kFind)->trigger();
        QTRY_COMPARE(label().section(' ', 0, 0), QStringLiteral("共计%1个").arg(m_book->addresses(first).size()));
    }

    void removingAFilesAddressesAsksWithTheCountsThenSumsUp() {
        const std::int32_t g = m_book->addGroup("g");
        const std::int32_t h = m_book->addGroup("h");
        for (const char* email : {"p1@example.com", "P2@example.com", "keep@example.com"})
            m_book->store().InsertAddress(g, email, "");
        m_book->store().InsertAddress(h, "p1@example.com", "");
        const std::string list = m_book->path() + "/bounces.txt";
        WriteFile(list, "p1@example.com\nP2@EXAMPLE.com\r\nbad line\nnot@here.com\n");
        const std::string saved = m_book->path() + "/removed.csv";
        open();
        selectGroup(g);
        QTRY_COMPARE(label(), QStringLiteral("共计3个 第1/1页"));
        WhenModalOpens([&](QDialog* dialog) {
            QCOMPARE(dialog->findChild<QComboBox*>(RemoveListedControls::kGroup)->currentText(), QStringLiteral("g"));
            QVERIFY(dialog->findChild<QRadioButton*>(RemoveListedControls::kOneGroup)->isChecked());
            m_prompts->files.push_back(list);
            QTest::mouseClick(dialog->findChild<QPushButton*>(RemoveListedControls::kBrowse), Qt::LeftButton);
            auto* start = dialog->findChild<QPushButton*>(RemoveListedControls::kStart);
            // The group on show, letter case aside: No leaves everything.
            m_prompts->answers.push_back(PromptAnswer::No);
            QTest::mouseClick(start, Qt::LeftButton);
            QCOMPARE(
                m_prompts->takeTexts(),
                QStringList{QStringLiteral("文件中的 3 个地址有 2 个在 1 个组中（共 2 行）。\n确定要删除这 2 行吗？"
                                           "\n（跳过了 1 行不是有效地址的文字。）")});
            QCOMPARE(m_book->addresses(g).size(), std::size_t(3));
            // Every group, the rows saved: Yes removes them and sums up.
            dialog->findChild<QRadioButton*>(RemoveListedControls::kAllGroups)->setChecked(true);
            dialog->findChild<QCheckBox*>(RemoveListedControls::kSaveRows)->setChecked(true);
            m_prompts->files.push_back(saved);
            QTest::mouseClick(start, Qt::LeftButton);
            QCOMPARE(
                m_prompts->takeTexts(),
                (QStringList{QStringLiteral("文件中的 3 个地址有 2 个在 2 个组中（共 3 行）。\n确定要删除这 3 行吗？"
                                            "\n（跳过了 1 行不是有效地址的文字。）"),
                             QStringLiteral("已删除 3 行。\n删除的行已保存到 %1。").arg(saved.c_str())}));
            QTRY_VERIFY(!dialog->isVisible());
        });
        m_window->findChild<QAction*>(ListMenuActions::kRemoveListed)->trigger();
        QCOMPARE(m_book->addresses(g).size(), std::size_t(1));
        QCOMPARE(m_book->addresses(g).front().email, std::string("keep@example.com"));
        QVERIFY(m_book->addresses(h).empty());
        QTRY_COMPARE(label(), QStringLiteral("共计1个 第1/1页"));
        const std::string csv = ReadFile(saved);
        QCOMPARE(std::count(csv.begin(), csv.end(), '\n'), 4);
        QVERIFY(csv.find("\"h\",\"p1@example.com\",\"\"\r\n") != std::string::npos);
    }
};

QTEST_MAIN(ListFindTest)
#include "ListFindTest.moc"
