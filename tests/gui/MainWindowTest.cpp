// The main window as a whole: start-up with and without a usable book, its texts, the keys and commands that end
// it, the notices it takes, and closing it while a loader is still sending rows.
#include <chrono>
#include <fstream>
#include <memory>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "app/CCorvaneDlg.h"
#include "app/MainWindowIds.h"
#include "dialogs/DialogIds.h"
#include "store/AddressBook.h"
#include "platform/OdbcConnection.h"
#include "store/DatabaseFile.h"
#include "support/GuiTestSupport.h"
#include "support/TestBook.h"
#include "tools/CreateDatabase.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "workers/WorkerNotice.h"

namespace {

const QString kTitle = QStringLiteral("Corvane Version 2.1.0 Build 22357");

ReportList* list(QWidget* window, int id) {
    return window->findChild<ReportList*>(QString::number(id));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void withoutAUsableBookTheWindowIsEmptyButUsable_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason"); // a piece of what the store says, in the driver's words or its own
        QTest::newRow("no book") << QByteArray() << QString();
        QTest::newRow("random bytes") << QByteArray(5000, '\x93') << QStringLiteral("not a database");
        QTest::newRow("empty file") << QByteArray("") << QStringLiteral("empty file");
    }

    void withoutAUsableBookTheWindowIsEmptyButUsable() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        // Behind a data source the file plays no part: the server's database without tables is an unusable book.
        if (OnPostgreSql()) reason = QStringLiteral("AddressCata");
        WindowBook book(false);
        if (!contents.isNull()) std::ofstream(book.path() + "/Corvane.bin", std::ios::binary) << contents.toStdString();
        ScriptedPromptsScope prompts;
        AddressBook addressBook;
        CCorvaneDlg window(addressBook);
        window.Create();

        // Which book and why first; then the one message every failed open gives.
        QCOMPARE(prompts->shown.size(), std::size_t(2));
        const QString why = prompts->shown.front().text;
        const QString name = book.shownName();
        QVERIFY2(why.startsWith(QStringLiteral("无法打开地址簿：") + name + "\n"), qPrintable(why));
        QVERIFY2(why.contains(reason, Qt::CaseInsensitive), qPrintable(why));
        const ScriptedPrompts::Message& failed = prompts->shown.back();
        QCOMPARE(failed.text, QStringLiteral("数据库连接失败"));
        QCOMPARE(failed.caption, QStringLiteral("Corvane"));
        QCOMPARE(failed.icon, PromptIcon::Warning);
        QCOMPARE(failed.buttons, PromptButtons::Ok);
        prompts->shown.clear();

        QCOMPARE(window.windowTitle(), kTitle);
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(window.windowMenu()->findChild<QAction*>(QStringLiteral("16")));
        for (int id : {MainWindowIds::kGroupList, MainWindowIds::kAddressList, MainWindowIds::kLinkList})
            QCOMPARE(list(&window, id)->columnCount(), 0);
        QCOMPARE(ShownText(&window, MainWindowIds::kGroupCaption), QStringLiteral("Static"));
        QCOMPARE(ShownText(&window, MainWindowIds::kPageLabel), QStringLiteral("共计 0 个"));
        QCOMPARE(ShownText(&window, MainWindowIds::kSearchBox), QString());

        // Every command still answers, with its failure message.
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral("g"), 1); });
        ClickButton(&window, MainWindowIds::kNewGroup);
        ClickButton(&window, MainWindowIds::kDeleteGroup);
        ClickButton(&window, MainWindowIds::kRenameGroup);
        ClickButton(&window, MainWindowIds::kFilter);
        ClickButton(&window, MainWindowIds::kNextPage);
        QCOMPARE(prompts->takeTexts(),
                 (QStringList{QStringLiteral("增加失败！"), QStringLiteral("没有选择删除项"),
                              QStringLiteral("没有选择编辑项"), QStringLiteral("请先选择邮件组！")}));
    }

    void startsOnTheBookOfTheCurrentDirectory() {
        WindowBook book;
        book.addGroup("first");
        book.addGroup("\xC5\xF3\xD3\xD1"); // 朋友
        book.store().AddGroup("third");
        if (OnPostgreSql()) {
            // The data source Corvane stands in for a book file beside the program, which then plays no part.
            std::string error;
            QCOMPARE(createDatabase(book.path(), builtInSchema(), error), CreateDatabaseResult::kCreated);
            OdbcConnection file;
            file.open(*connectionStringFor(databaseFilePath(book.path())));
            file.execute("insert into AddressCata(name) values('in the file')");
        }
        ScriptedPromptsScope prompts;
        AddressBook addressBook;
        CCorvaneDlg window(addressBook);
        window.Create();
        QVERIFY(prompts->shown.empty());
        QCOMPARE(window.windowTitle(), kTitle);

        // The groups in the reverse of the book's order, the panels' columns, blank caption and label.
        QCOMPARE(ColumnTexts(list(&window, MainWindowIds::kGroupList)),
                 (QStringList{"third", QStringLiteral("朋友"), "first"}));
        QCOMPARE(list(&window, MainWindowIds::kGroupList)->headerItem()->text(0), QStringLiteral("地址组"));
        QCOMPARE(list(&window, MainWindowIds::kAddressList)->headerItem()->text(1), QStringLiteral("姓名"));
        QCOMPARE(list(&window, MainWindowIds::kAddressList)->columnWidth(0), 140);
        QCOMPARE(list(&window, MainWindowIds::kLinkList)->headerItem()->text(0), QStringLiteral("Sponsor Links"));
        QCOMPARE(ShownText(&window, MainWindowIds::kGroupCaption), QString());
        QCOMPARE(ShownText(&window, MainWindowIds::kPageLabel), QString());
        QCOMPARE(ShownText(&window, MainWindowIds::kSearchBox), QStringLiteral("搜索关键词"));
        QVERIFY(window.findChild<QWidget*>(QString::number(MainWindowIds::kGroupCaption))->font().bold());
        QVERIFY(!list(&window, MainWindowIds::kGroupList)->isSortingEnabled());
    }

    void aBookThatBreaksWhileOpenIsReportedAndNeverEndsTheProgram() {
        WindowBook book;
        book.addGroup("g");
        ScriptedPromptsScope prompts;
        AddressBook addressBook;
        CCorvaneDlg window(addressBook);
        window.Create();
        QCOMPARE(list(&window, MainWindowIds::kGroupList)->GetItemCount(), 1);
        // Another program takes the tables away under the open window.
        for (const char* table : {"AddressCata", "AddressList"})
            book.execute(std::string("drop table ") + table);

        // A write reports the driver's text; the reload that follows reads nothing and says so.
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral("new"), 1); });
        ClickButton(&window, MainWindowIds::kNewGroup);
        QStringList texts = prompts->takeTexts();
        QCOMPARE(texts.size(), 2);
        for (const QString& text : texts)
            QVERIFY2(text.contains(QStringLiteral("AddressCata"), Qt::CaseInsensitive), qPrintable(text));
        QVERIFY(texts.back().startsWith(QStringLiteral("读取邮件组失败")));
        QCOMPARE(list(&window, MainWindowIds::kGroupList)->GetItemCount(), 0);

        // The editor opens with no groups and says why; with no group chosen it stores nothing and stays open.
        int groupsOffered = -1;
        WhenModalOpens([&](QDialog* dialog) {
            groupsOffered = dialog->findChild<QComboBox*>(QString::number(AddressEditorIds::kGroupList))->count();
            TypeAndClick(dialog, AddressEditorIds::kEmail, QStringLiteral("a@example.com"), 1);
            QVERIFY(dialog->isVisible());
            dialog->reject();
        });
        ClickButton(&window, MainWindowIds::kAddAddress);
        QCOMPARE(groupsOffered, 0);
        texts = prompts->takeTexts();
        QCOMPARE(texts, (QStringList{texts.front(), QStringLiteral("请先选择邮件组！")}));
        QVERIFY2(texts.front().contains(QStringLiteral("AddressCata"), Qt::CaseInsensitive), qPrintable(texts.front()));
        QVERIFY(window.isVisible());
    }

    void keywordsAndLinksComeFromTheBook() {
        WindowBook book;
        book.execute("insert into SearchKey(id, keyword) values(0, 'alpha')");
        book.execute("insert into SearchKey(id, keyword) values(1, 'beta')");
        for (const char* row : {"(0, 'a', 'http://a')", "(1, 'b', 'http://b')", "(2, 'c', 'http://c')"})
            book.execute(std::string("insert into Links(id, site, url) values") + row);
        ScriptedPromptsScope prompts;
        AddressBook addressBook;
        CCorvaneDlg window(addressBook);
        window.Create();
        QVERIFY((QStringList{"alpha", "beta"}).contains(ShownText(&window, MainWindowIds::kSearchBox)));
        QCOMPARE(ColumnTexts(list(&window, MainWindowIds::kLinkList)), (QStringList{"c", "b", "a"}));
        // A tick shows another pick, whatever the user typed.
        window.findChild<QLineEdit*>(QString::number(MainWindowIds::kSearchBox))->setText(QStringLiteral("typed"));
        WorkerNotice tick;
        tick.nKind = NK_TICK;
        window.OnWorkerNotice(tick);
        QVERIFY((QStringList{"alpha", "beta"}).contains(ShownText(&window, MainWindowIds::kSearchBox)));
    }

    void noticesChangeOnlyWhatTheirKindSays() {
        WindowBook book;
        ScriptedPromptsScope prompts;
        AddressBook addressBook;
        CCorvaneDlg window(addressBook);
        window.Create();
        WorkerNotice notice;
        notice.nKind = NK_TOTAL;
        window.OnWorkerNotice(notice);
        QCOMPARE(ShownText(&window, MainWindowIds::kPageLabel), QStringLiteral("共计0个 第1/1页"));
        for (int kind : {0, 2, 4, 8, -1}) {
            notice.nKind = kind;
            notice.nValue = 99;
            notice.strText = "x@y";
            window.OnWorkerNotice(notice);
        }
        QCOMPARE(ShownText(&window, MainWindowIds::kPageLabel), QStringLiteral("共计0个 第1/1页"));
        QCOMPARE(list(&window, MainWindowIds::kAddressList)->GetItemCount(), 0);
        // Rows arrive at the top.
        for (const char* email : {"a", "b", "c"}) {
            notice = WorkerNotice{};
            notice.nKind = NK_ITEM;
            notice.strText = email;
            notice.strName = std::string(email) + "-name";
            notice.nValue = email[0];
            window.OnWorkerNotice(notice);
        }
        QCOMPARE(ColumnTexts(list(&window, MainWindowIds::kAddressList)), (QStringList{"c", "b", "a"}));
        QCOMPARE(ColumnTexts(list(&window, MainWindowIds::kAddressList), 1),
                 (QStringList{"c-name", "b-name", "a-name"}));
        QCOMPARE(list(&window, MainWindowIds::kAddressList)->GetItemData(0), int('c'));
    }

    void escapeEnterAndExitEndTheWindow_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("escape") << "escape";
        QTest::newRow("enter on the group list") << "enter";
        QTest::newRow("menu exit") << "exit";
        QTest::newRow("window menu close") << "close";
    }

    void escapeEnterAndExitEndTheWindow() {
        QFETCH(QString, how);
        WindowBook book;
        ScriptedPromptsScope prompts;
        AddressBook addressBook;
        CCorvaneDlg window(addressBook);
        window.Create();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(addressBook.store().IsOpen());
        if (how == "escape") {
            QTest::keyClick(list(&window, MainWindowIds::kGroupList), Qt::Key_Escape);
        } else if (how == "enter") {
            list(&window, MainWindowIds::kGroupList)->setFocus();
            QTest::keyClick(list(&window, MainWindowIds::kGroupList), Qt::Key_Return);
        } else if (how == "exit") {
            window.GetMenuBar()->findChild<QAction*>(QString::number(MainWindowIds::kExitCommand))->trigger();
        } else {
            window.windowMenu()->actions().first()->trigger();
        }
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(window.result(), IDCANCEL);
        QVERIFY(!addressBook.store().IsOpen());
        QVERIFY(prompts->shown.empty());
    }

    void enterOnAFocusedButtonPressesItAndInTheSearchBoxSearches() {
        WindowBook book;
        ScriptedPromptsScope prompts;
        AddressBook addressBook;
        CCorvaneDlg window(addressBook);
        window.Create();
        auto* deleteButton = window.findChild<QPushButton*>(QString::number(MainWindowIds::kDeleteGroup));
        deleteButton->setFocus();
        QTest::keyClick(deleteButton, Qt::Key_Return);
        QCOMPARE(prompts->takeTexts(), QStringList{QStringLiteral("没有选择删除项")});
        QVERIFY(window.isVisible());

        // In the search box, Enter (either key) searches with Baidu instead of ending the program with the text.
        auto* searchBox = window.findChild<QLineEdit*>(QString::number(MainWindowIds::kSearchBox));
        searchBox->setFocus();
        searchBox->setText(QStringLiteral("typed"));
        QTest::keyClick(searchBox, Qt::Key_Return);
        QTest::keyClick(searchBox, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(window.isVisible());
        QCOMPARE(prompts->opened.size(), std::size_t(2));
        for (const std::string& address : prompts->opened)
            QVERIFY2(address.find("/s?wd=typed&") != std::string::npos, address.c_str());
    }

    void closingWhileALoaderSendsRowsEndsAtOnce() {
        WindowBook book;
        const std::int32_t group = book.addGroup("big");
        book.addAddresses(group, 3000);
        ScriptedPromptsScope prompts;
        AddressBook addressBook;
        for (int round = 0; round < 3; ++round) {
            auto window = std::make_unique<CCorvaneDlg>(addressBook);
            window->Create();
            ClickRow(list(window.get(), MainWindowIds::kGroupList), 0);
            QTRY_VERIFY(list(window.get(), MainWindowIds::kAddressList)->GetItemCount() >= 2 + round * 10);
            const auto started = std::chrono::steady_clock::now();
            window->close();
            window.reset();
            QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(1));
            QTest::qWait(20); // nothing may arrive for the window that is gone
        }
        QVERIFY(prompts->shown.empty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
