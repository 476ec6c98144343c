// The address panel: pages of fifty in reverse order of arrival, the paging buttons and label, adding, editing and
// deleting through the address editor, and rapid changes of group and page on large groups.
#include <functional>
#include <memory>
#include <random>
#include <set>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "app/CCorvaneDlg.h"
#include "app/MainWindowIds.h"
#include "dialogs/DialogIds.h"
#include "support/TestBook.h"
#include "support/WindowTest.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "workers/WorkerNotice.h"

namespace {

// The e-mails of records [from, to) of a group made by WindowBook::addAddresses, as a page shows them: last first.
QStringList pageShown(const std::string& prefix, int from, int to) {
    QStringList texts;
    for (int i = to - 1; i >= from; --i)
        texts << QString::fromStdString(TestEmail(prefix, i));
    return texts;
}

// Whether `records` hold `wanted`, whatever its id.
bool contains(const std::vector<AddressRecord>& records, const AddressRecord& wanted) {
    for (const AddressRecord& record : records)
        if (record.group_id == wanted.group_id && record.email == wanted.email && record.name == wanted.name)
            return true;
    return false;
}

} // namespace

namespace {

// Runs `action` on the next modal dialog that is not `current` (one that opens once `current` has closed).
void whenAnotherModalOpens(QDialog* current, std::function<void(QDialog*)> action) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    timer->setInterval(10);
    // Watched, not compared by address: the next dialog may well be made where the first one stood.
    QObject::connect(timer, &QTimer::timeout,
                     [timer, waited, watched = QPointer<QDialog>(current), action = std::move(action)] {
                         auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                         if (!dialog || dialog == watched.data()) {
                             if (++*waited < 500) return;
                             timer->deleteLater();
                             QFAIL("no second dialog opened");
                             return;
                         }
                         timer->stop();
                         timer->deleteLater();
                         action(dialog);
                     });
    timer->start();
}

} // namespace

class AddressPanelTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() { makeBook(); }

    void cleanup() { closeAll(); }

    void pagesOfAGroupOf120() {
        const std::int32_t group = m_book->addGroup("g");
        m_book->addAddresses(group, 120);
        open();
        select(0);
        QTRY_COMPARE(label(), QStringLiteral("共计120个 第1/3页"));
        QTRY_COMPARE(ColumnTexts(addresses()), pageShown("a", 0, 50));
        QCOMPARE(ColumnTexts(addresses(), 1).first(), QStringLiteral("n0049"));

        ClickButton(m_window.get(), MainWindowIds::kPreviousPage); // already on the first page
        QCOMPARE(label(), QStringLiteral("共计120个 第1/3页"));
        ClickButton(m_window.get(), MainWindowIds::kNextPage);
        QCOMPARE(label(), QStringLiteral("共计120个 第2/3页"));
        QTRY_COMPARE(ColumnTexts(addresses()), pageShown("a", 50, 100));
        ClickButton(m_window.get(), MainWindowIds::kNextPage);
        QCOMPARE(label(), QStringLiteral("共计120个 第3/3页"));
        QTRY_COMPARE(ColumnTexts(addresses()), pageShown("a", 100, 120));
        ClickButton(m_window.get(), MainWindowIds::kNextPage); // already on the last page: nothing happens
        QCOMPARE(label(), QStringLiteral("共计120个 第3/3页"));
        QTest::qWait(50);
        QCOMPARE(addresses()->GetItemCount(), 20);
        ClickButton(m_window.get(), MainWindowIds::kPreviousPage);
        ClickButton(m_window.get(), MainWindowIds::kPreviousPage);
        QCOMPARE(label(), QStringLiteral("共计120个 第1/3页"));
        QTRY_COMPARE(ColumnTexts(addresses()), pageShown("a", 0, 50));
        QVERIFY(m_prompts->shown.empty());
    }

    void pageCountsFollowTheGroupSize_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("labels"); // page by page, then the label after one more "下一页"
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("0") << 0 << QStringList{"共计0个 第1/1页"} << QList<int>{0};
        QTest::newRow("50") << 50 << QStringList{"共计50个 第1/1页"} << QList<int>{50};
        QTest::newRow("51") << 51 << QStringList{"共计51个 第1/2页", "共计51个 第2/2页"} << QList<int>{50, 1};
        QTest::newRow("101") << 101 << QStringList{"共计101个 第1/3页", "共计101个 第2/3页", "共计101个 第3/3页"}
                             << QList<int>{50, 50, 1};
    }

    void pageCountsFollowTheGroupSize() {
        QFETCH(int, count);
        QFETCH(QStringList, labels);
        QFETCH(QList<int>, rows);
        m_book->addAddresses(m_book->addGroup("g"), count);
        open();
        select(0);
        for (int page = 0; page < labels.size(); ++page) {
            if (page > 0) ClickButton(m_window.get(), MainWindowIds::kNextPage);
            QTRY_COMPARE(label(), labels[page]);
            QTRY_COMPARE(addresses()->GetItemCount(), rows[page]);
        }
        ClickButton(m_window.get(), MainWindowIds::kNextPage);
        QCOMPARE(label(), labels.last());
    }

    void addChecksTheChosenGroupAndReloadsTheOneOnShow() {
        const std::int32_t shown = m_book->addGroup("shown");
        const std::int32_t other = m_book->addGroup("other");
        m_book->addAddresses(shown, 2);
        open();
        select(1); // "shown" (groups appear in reverse)

        QString title;
        QString chosen;
        WhenModalOpens([&](QDialog* dialog) {
            title = dialog->windowTitle();
            chosen = dialog->findChild<QComboBox*>(QString::number(AddressEditorIds::kGroupList))->currentText();
            QCOMPARE(dialog->findChild<QComboBox*>(QString::number(AddressEditorIds::kGroupList))->itemText(0),
                     QStringLiteral("shown"));
            TypeText(dialog->findChild<QLineEdit*>(QString::number(AddressEditorIds::kName)), QStringLiteral("李 雷"));
            TypeAndClick(dialog, AddressEditorIds::kEmail, QStringLiteral(" new@example.com "), 1);
        });
        ClickButton(m_window.get(), MainWindowIds::kAddAddress);
        QCOMPARE(title, QStringLiteral("增加Email地址"));
        QCOMPARE(chosen, QStringLiteral("shown"));
        QTRY_COMPARE(addresses()->GetItemCount(), 3);
        QTRY_COMPARE(label(), QStringLiteral("共计3个 第1/1页"));
        // Stored trimmed as the import trims, the name in GBK.
        QVERIFY(contains(m_book->addresses(shown), AddressRecord{0, shown, "new@example.com", "\xC0\xEE \xC0\xD7"}));

        // The same address again in that group is refused, and the editor comes back with what was typed.
        QString kept;
        WhenModalOpens([&](QDialog* first) {
            TypeText(first->findChild<QLineEdit*>(QString::number(AddressEditorIds::kName)), QStringLiteral("again"));
            whenAnotherModalOpens(first, [&](QDialog* second) {
                kept = ShownText(second, AddressEditorIds::kEmail) + "|" + ShownText(second, AddressEditorIds::kName);
                second->reject();
            });
            TypeAndClick(first, AddressEditorIds::kEmail, QStringLiteral("new@example.com"), 1);
        });
        ClickButton(m_window.get(), MainWindowIds::kAddAddress);
        QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("Email地址已经在该组中存在。")});
        QCOMPARE(kept, QStringLiteral("new@example.com|again"));
        QCOMPARE(m_book->addresses(shown).size(), std::size_t(3));

        // An address the e-mail check refuses is not stored: the editor says so and keeps the text.
        WhenModalOpens([&](QDialog* dialog) {
            TypeAndClick(dialog, AddressEditorIds::kEmail, QStringLiteral("lisi@@example"), 1);
            QVERIFY(dialog->isVisible());
            QCOMPARE(ShownText(dialog, AddressEditorIds::kEmail), QStringLiteral("lisi@@example"));
            dialog->reject();
        });
        ClickButton(m_window.get(), MainWindowIds::kAddAddress);
        QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("这不是有效的Email地址，请改正后再确定。")});
        QCOMPARE(m_book->addresses(shown).size(), std::size_t(3));

        // Into the other group: stored there, and the group on show is reloaded without it.
        WhenModalOpens([](QDialog* dialog) {
            dialog->findChild<QComboBox*>(QString::number(AddressEditorIds::kGroupList))->setCurrentIndex(1);
            TypeAndClick(dialog, AddressEditorIds::kEmail, QStringLiteral(" new@example.com "), 1);
        });
        ClickButton(m_window.get(), MainWindowIds::kAddAddress);
        QCOMPARE(m_book->addresses(other).size(), std::size_t(1));
        QTRY_COMPARE(addresses()->GetItemCount(), 3);
        QVERIFY(m_prompts->shown.empty());
    }

    // Without a group on show the editor chooses none: OK is refused until one is chosen, and what was typed stays.
    void theEditorStoresNothingUnderNoGroup() {
        const std::int32_t group = m_book->addGroup("g");
        open();
        int index = 0;
        WhenModalOpens([&](QDialog* dialog) {
            auto* groupList = dialog->findChild<QComboBox*>(QString::number(AddressEditorIds::kGroupList));
            index = groupList->currentIndex();
            TypeAndClick(dialog, AddressEditorIds::kEmail, QStringLiteral("z@example.com"), 1);
            QVERIFY(dialog->isVisible());
            QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("请先选择邮件组！")});
            QCOMPARE(ShownText(dialog, AddressEditorIds::kEmail), QStringLiteral("z@example.com"));
            groupList->setCurrentIndex(0);
            ClickButton(dialog, 1);
        });
        ClickButton(m_window.get(), MainWindowIds::kAddAddress);
        QCOMPARE(index, -1);
        QVERIFY(m_book->addresses(0).empty());
        QCOMPARE(m_book->addresses(group).size(), std::size_t(1));
    }

    // A group that cannot be read shows as empty, as the rule for a failed read says, but never passes for an
    // empty group: the driver's text is shown, once.
    void aGroupThatCannotBeReadSaysSoOnce() {
        const std::int32_t group = m_book->addGroup("g");
        m_book->addAddresses(group, 3);
        open();
        m_book->execute("drop table AddressList");
        select(0);
        QTRY_COMPARE(label(), QStringLiteral("共计0个 第1/1页"));
        QStringList texts = m_prompts->takeTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.front().startsWith(QStringLiteral("读取数据库失败")), qPrintable(texts.front()));
        QVERIFY2(texts.front().contains(QStringLiteral("AddressList"), Qt::CaseInsensitive), qPrintable(texts.front()));
        QCOMPARE(addresses()->GetItemCount(), 0);
    }

    // Seven-digit counts fit the paging label, and a long group name is cut between characters with "…", whole in
    // the caption's tooltip.
    void numbersAndNamesAreNeverCut() {
        const std::string longName = cp936(QString(40, QChar(0x5BA2)) + QStringLiteral("户组")); // 客…客户组
        m_book->addGroup(longName);
        open();
        select(0);
        auto* caption = m_window->findChild<QLabel*>(QString::number(MainWindowIds::kGroupCaption));
        QTRY_VERIFY(caption->text().endsWith(QStringLiteral("…")));
        QCOMPARE(caption->toolTip(), fromCp936(longName));
        QVERIFY(fromCp936(longName).startsWith(caption->text().chopped(1)));
        QVERIFY(caption->fontMetrics().horizontalAdvance(caption->text()) <= caption->contentsRect().width());

        WorkerNotice total;
        total.nKind = NK_TOTAL;
        total.nValue = 1'353'333;
        total.nLastPage = 27'066;
        m_window->OnWorkerNotice(total);
        auto* pageLabel = m_window->findChild<QLabel*>(QString::number(MainWindowIds::kPageLabel));
        QCOMPARE(pageLabel->text(), QStringLiteral("共计1353333个 第1/27067页"));
        QVERIFY(pageLabel->fontMetrics().horizontalAdvance(pageLabel->text()) <= pageLabel->contentsRect().width());
    }

    void cancellingTheEditorChangesNothing() {
        const std::int32_t group = m_book->addGroup("g");
        m_book->addAddresses(group, 1);
        open();
        select(0);
        QTRY_COMPARE(addresses()->GetItemCount(), 1);
        WhenModalOpens(
            [](QDialog* dialog) { TypeAndClick(dialog, AddressEditorIds::kEmail, QStringLiteral("new@x"), 2); });
        ClickButton(m_window.get(), MainWindowIds::kAddAddress);
        ClickRow(addresses(), 0);
        WhenModalOpens([](QDialog* dialog) {
            TypeText(dialog->findChild<QLineEdit*>(QString::number(AddressEditorIds::kName)),
                     QStringLiteral("changed"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        ClickButton(m_window.get(), MainWindowIds::kEditAddress);
        QCOMPARE(m_book->addresses(group).size(), std::size_t(1));
        QCOMPARE(m_book->addresses(group).front().name, std::string("n0000"));
        QCOMPARE(addresses()->GetItemCount(), 1);
        QVERIFY(m_prompts->shown.empty());
    }

    void editAndDeleteActOnTheTopmostSelectedRow() {
        const std::int32_t group = m_book->addGroup("g");
        m_book->addAddresses(group, 4);
        open();
        select(0);
        QTRY_COMPARE(addresses()->GetItemCount(), 4); // a0003 a0002 a0001 a0000

        ClickButton(m_window.get(), MainWindowIds::kDeleteAddress);
        ClickButton(m_window.get(), MainWindowIds::kEditAddress);
        QCOMPARE(m_prompts->takeTexts(),
                 (QStringList{QStringLiteral("没有选择删除项"), QStringLiteral("没有选择编辑项")}));

        ClickRow(addresses(), 2);
        ClickRow(addresses(), 1, Qt::ControlModifier);
        QString title;
        QString email;
        QString name;
        WhenModalOpens([&](QDialog* dialog) {
            title = dialog->windowTitle();
            email = dialog->findChild<QLineEdit*>(QString::number(AddressEditorIds::kEmail))->text();
            name = dialog->findChild<QLineEdit*>(QString::number(AddressEditorIds::kName))->text();
            TypeAndClick(dialog, AddressEditorIds::kName, QStringLiteral("renamed"), 1);
        });
        ClickButton(m_window.get(), MainWindowIds::kEditAddress);
        QCOMPARE(title, QStringLiteral("编辑Email地址"));
        QCOMPARE(email, QStringLiteral("a0002@x"));
        QCOMPARE(name, QStringLiteral("n0002"));
        QCOMPARE(m_book->addresses(group)[2].name, std::string("renamed"));
        QTRY_COMPARE(ColumnTexts(addresses(), 1), (QStringList{"n0003", "renamed", "n0001", "n0000"}));

        // A double click edits too; an address the group already holds is refused.
        m_book->store().InsertAddress(group, "taken@example.com", "");
        WhenModalOpens([](QDialog* dialog) {
            TypeAndClick(dialog, AddressEditorIds::kEmail, QStringLiteral("taken@example.com"), 1);
        });
        ClickRow(addresses(), 0);
        QTest::mouseDClick(addresses()->viewport(), Qt::LeftButton, {},
                           addresses()->visualItemRect(addresses()->topLevelItem(0)).center());
        QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("编辑失败！")});
        QCOMPARE(m_book->addresses(group)[3].email, std::string("a0003@x"));

        ClickRow(addresses(), 3);
        ClickRow(addresses(), 1, Qt::ControlModifier);
        ClickButton(m_window.get(), MainWindowIds::kDeleteAddress); // no question asked
        QTRY_COMPARE(ColumnTexts(addresses()), (QStringList{"taken@example.com", "a0003@x", "a0001@x", "a0000@x"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void anEditKeepsBytesItDidNotTouch() {
        if (OnPostgreSql()) QSKIP("a book on a server holds GBK text only: it never holds such bytes");
        const std::int32_t group = m_book->addGroup("g");
        const std::string broken("bad\x81@x\xFF"); // not CP936: shown with marks
        m_book->store().InsertAddress(group, broken, "old");
        open();
        select(0);
        QTRY_COMPARE(addresses()->GetItemCount(), 1);
        ClickRow(addresses(), 0);
        WhenModalOpens(
            [](QDialog* dialog) { TypeAndClick(dialog, AddressEditorIds::kName, QStringLiteral("new"), 1); });
        ClickButton(m_window.get(), MainWindowIds::kEditAddress);
        QCOMPARE(m_book->addresses(group).front().email, broken);
        QCOMPARE(m_book->addresses(group).front().name, std::string("new"));
    }

    void rapidChangesOfGroupAndPageNeverMixRows() {
        const std::int32_t a = m_book->addGroup("a");
        const std::int32_t b = m_book->addGroup("b");
        m_book->addAddresses(a, 3000, "a");
        m_book->addAddresses(b, 3000, "b");
        open(); // rows: b, a
        std::mt19937 random(7);
        std::string prefix;
        int page = 0;
        for (int step = 0; step < 60; ++step) {
            const int action = static_cast<int>(random() % 4);
            if (action == 0 || prefix.empty()) {
                const int row = static_cast<int>(random() % 2);
                select(row);
                prefix.assign(1, row == 0 ? 'b' : 'a');
                page = 0;
            } else if (action == 1 || action == 2) {
                ClickButton(m_window.get(), MainWindowIds::kNextPage);
                ++page;
            } else if (page > 0) {
                ClickButton(m_window.get(), MainWindowIds::kPreviousPage);
                --page;
            }
            QTest::qWait(static_cast<int>(random() % 25));
            // Whatever has arrived so far is the start of the page asked for last, nothing else.
            const QStringList shown = ColumnTexts(addresses());
            const QStringList expected = pageShown(prefix, page * 50, page * 50 + 50);
            QVERIFY2(shown.size() <= 50, qPrintable(QString::number(shown.size())));
            QCOMPARE(shown, expected.mid(expected.size() - shown.size()));
        }
        QTRY_COMPARE(ColumnTexts(addresses()), pageShown(prefix, page * 50, page * 50 + 50));
    }
};

QTEST_MAIN(AddressPanelTest)
#include "AddressPanelTest.moc"
