// The menu of the list tools and what the window does for them: where the menu stands, and the jump to one address
// of a big group, at its page and selected, as 查找 asks for it.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/CCorvaneDlg.h"
#include "listdialogs/ListMenu.h"
#include "support/WindowTest.h"
#include "ui/ReportList.h"

class ListMenuTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() { makeBook(); }

    void cleanup() { closeAll(); }

    void theMenuStandsBetweenToolsAndHelpWithItsCommands() {
        open();
        QStringList menus;
        for (QAction* action : m_window->GetMenuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, (QStringList{QStringLiteral("文件"), QStringLiteral("工具"), QStringLiteral("名单(&L)"),
                                     QStringLiteral("帮助")}));
        QStringList commands;
        for (QAction* action : m_window->GetMenuBar()->actions()[2]->menu()->actions())
            commands << action->objectName();
        QCOMPARE(commands, (QStringList{ListMenuActions::kExportGroup, ListMenuActions::kImportNamed,
                                        ListMenuActions::kFind, ListMenuActions::kRemoveListed,
                                        ListMenuActions::kGroupArithmetic, ListMenuActions::kCaseDuplicates}));
    }

    // The address stands on page 4 of its group, in the order of e-mail texts: that page shows with its row
    // selected, and the group's row too, whatever group was on show.
    void aJumpShowsThePageThatHoldsTheAddressWithItsRowSelected() {
        const std::int32_t other = m_book->addGroup("other");
        const std::int32_t big = m_book->addGroup("big");
        m_book->addAddresses(other, 3);
        m_book->addAddresses(big, 230);
        std::int64_t wanted = 0;
        for (const AddressRecord& address : m_book->addresses(big))
            if (address.email == TestEmail("a", 187)) wanted = address.id;
        open();
        selectGroup(other);
        QTRY_COMPARE(label(), QStringLiteral("共计3个 第1/1页"));

        static_cast<ListToolsHost&>(*m_window).showAddress(big, wanted);
        QTRY_COMPARE(label(), QStringLiteral("共计230个 第4/5页"));
        QTRY_COMPARE(addresses()->GetItemCount(), 50);
        const int row = addresses()->GetFirstSelectedRow();
        QVERIFY(row >= 0);
        QCOMPARE(addresses()->GetItemData(row), wanted);
        QCOMPARE(groups()->GetItemData(groups()->GetFirstSelectedRow()), std::int64_t(big));
        QCOMPARE(m_window->groupOnShow(), RowId(big));
    }
};

QTEST_MAIN(ListMenuTest)
#include "ListMenuTest.moc"
