// The search panel: keywords in the search box, the refresh from the update server, the sponsor links, the two web
// searches, the hyperlink captions and the About box; and the scheduler ending with the window.
#include <chrono>
#include <cstdlib>
#include <memory>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "Config.h"
#include "app/CCorvaneDlg.h"
#include "app/MainWindowIds.h"
#include "dialogs/CStaticLink.h"
#include "dialogs/DialogIds.h"
#include "store/AddressBook.h"
#include "support/TestBook.h"
#include "support/WindowTest.h"
#include "support/TestHttpServer.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "workers/WorkerNotice.h"

namespace {

ReportList* links(QWidget* window) {
    return window->findChild<ReportList*>(QString::number(MainWindowIds::kLinkList));
}
QLineEdit* searchBox(QWidget* window) {
    return window->findChild<QLineEdit*>(QString::number(MainWindowIds::kSearchBox));
}

void notify(CCorvaneDlg& window, std::int32_t kind) {
    WorkerNotice notice;
    notice.nKind = kind;
    window.OnWorkerNotice(notice);
}

} // namespace

class SearchPanelTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() { makeBook(); }

    void cleanup() { closeAll(); }

    void theTickPicksAKeywordWithTheLibraryRandomGenerator() {
        for (int id = 0; id < 3; ++id)
            m_book->execute("insert into SearchKey(id, keyword) values(" + std::to_string(id) + ", 'k" +
                            std::to_string(id) + "')");
        open();
        const QStringList keywords = {"k0", "k1", "k2"};
        for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
            std::srand(seed);
            const int r = std::rand();
            std::srand(seed);
            searchBox(m_window.get())->setText(QStringLiteral("typed"));
            notify(*m_window, NK_TICK);
            // The keyword at r modulo the count, replacing what was typed: r = 4 would pick "k1".
            QCOMPARE(ShownText(m_window.get(), MainWindowIds::kSearchBox), keywords[r % 3]);
        }
    }

    void withoutKeywordsTheBoxKeepsItsText() {
        open();
        QCOMPARE(ShownText(m_window.get(), MainWindowIds::kSearchBox), QStringLiteral("搜索关键词"));
        searchBox(m_window.get())->setText(QStringLiteral("typed"));
        notify(*m_window, NK_TICK);
        QCOMPARE(ShownText(m_window.get(), MainWindowIds::kSearchBox), QStringLiteral("typed"));
    }

    void aRefreshReplacesBothTablesAndReloadsThePanel() {
        m_book->execute("insert into SearchKey(id, keyword) values(0, 'old')");
        m_book->execute("insert into Links(id, site, url) values(0, 'old site', 'http://old')");
        open();
        QCOMPARE(ColumnTexts(links(m_window.get())), QStringList{"old site"});

        TestHttpServer server;
        server.answer("/update/search_key.txt", {200, "new1|| new2 ||", false});
        server.answer("/update/corvane_links.txt", {200, "a##http://a||b##http://b||c##http://c", false});
        m_addressBook->store().setUpdateServer(server.baseAddress());
        notify(*m_window, NK_REFRESH);
        QCOMPARE(ColumnTexts(links(m_window.get())), (QStringList{"c", "b", "a"}));
        notify(*m_window, NK_TICK);
        QVERIFY((QStringList{"new1", "new2"}).contains(ShownText(m_window.get(), MainWindowIds::kSearchBox)));

        // Failed downloads keep both tables; the panel is read again all the same.
        m_addressBook->store().setUpdateServer(TestHttpServer::deadAddress());
        m_book->execute("insert into Links(id, site, url) values(9, 'added meanwhile', 'http://m')");
        notify(*m_window, NK_REFRESH);
        QCOMPARE(ColumnTexts(links(m_window.get())), (QStringList{"added meanwhile", "c", "b", "a"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void aClickOnASponsorOpensOnlyWebAddresses() {
        const char* rows[] = {"(0, 'web', 'https://example.org/a?b=1&c=2')",
                              "(1, 'file', 'file:///etc/passwd')",
                              "(2, 'path', '/etc/passwd')",
                              "(3, 'option', '--new-window')",
                              "(4, 'script', 'javascript:alert(1)')",
                              "(5, 'same id', 'http://first')",
                              "(5, 'same id too', 'http://second')"};
        for (const char* row : rows)
            m_book->execute(std::string("insert into Links(id, site, url) values") + row);
        open();
        ReportList* list = links(m_window.get());
        QCOMPARE(ColumnTexts(list).first(), QStringLiteral("same id too"));
        for (int row = 0; row < list->GetItemCount(); ++row)
            ClickRow(list, row);
        // Two rows of one id both open the later address; nothing else but the web page is opened.
        QCOMPARE(m_prompts->opened,
                 (std::vector<std::string>{"http://second", "http://second", "https://example.org/a?b=1&c=2"}));
        QVERIFY(m_prompts->shown.empty());
    }

    void theSearchesCarryTheTextAsTyped() {
        open();
        const std::string google = std::string(kGoogleSearch) + "/search?";
        const std::string googleTail = std::string("client=") + kGoogleClient +
                                       "&forid=1&prog=aff&channel=" + kGoogleChannel + "&ie=GB2312&oe=GB2312&hl=zh-CN";
        const std::string baidu = kBaiduSearch;

        searchBox(m_window.get())->clear();
        ClickButton(m_window.get(), MainWindowIds::kGoogle);
        ClickButton(m_window.get(), MainWindowIds::kBaidu);
        // Every byte but the unreserved ones goes percent-encoded: the GBK bytes of Chinese, a blank, "&", "#" and
        // "%" reach the engine as typed instead of garbled or cutting the address.
        searchBox(m_window.get())->setText(QStringLiteral(" a b&c "));
        ClickButton(m_window.get(), MainWindowIds::kGoogle);
        ClickButton(m_window.get(), MainWindowIds::kBaidu);
        searchBox(m_window.get())->setText(QStringLiteral("朋友 #1 100%_x-y.z~"));
        ClickButton(m_window.get(), MainWindowIds::kBaidu);
        const std::vector<std::string> expected = {
            google + googleTail,
            baidu + "/index.php?tn=" + kBaiduPartner,
            google + "q=%20a%20b%26c%20&" + googleTail,
            baidu + "/s?wd=%20a%20b%26c%20&tn=" + kBaiduPartner + "&bar=",
            baidu + "/s?wd=%C5%F3%D3%D1%20%231%20100%25_x-y.z~&tn=" + kBaiduPartner + "&bar=",
        };
        QCOMPARE(m_prompts->opened, expected);

        // Text the code page cannot hold is refused, not sent damaged.
        searchBox(m_window.get())->setText(QStringLiteral("한국"));
        ClickButton(m_window.get(), MainWindowIds::kGoogle);
        QCOMPARE(m_prompts->opened.size(), expected.size());
        QCOMPARE(m_prompts->shown.size(), std::size_t(1));
    }

    void menuAndCaptionsOpenTheVendorPages() {
        open();
        for (int command :
             {MainWindowIds::kMassMailingCommand, MainWindowIds::kEmailSearchCommand, MainWindowIds::kHomePageCommand})
            m_window->GetMenuBar()->findChild<QAction*>(QString::number(command))->trigger();
        for (int id : {MainWindowIds::kMarketingLink, MainWindowIds::kSearchLink, MainWindowIds::kLatestLink})
            QTest::mouseClick(m_window->findChild<QWidget*>(QString::number(id)), Qt::LeftButton);
        const std::string site = kVendorSite;
        const std::vector<std::string> pages = {site + "/post/4.html", site + "/post/Brennic.html",
                                                site + "/post/Corvane.html"};
        std::vector<std::string> expected = pages;
        expected.insert(expected.end(), pages.begin(), pages.end());
        QCOMPARE(m_prompts->opened, expected);
    }

    void aLinkIsBlueRedWhileHoveredAndPurpleOnceOpened() {
        open();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        auto* link = m_window->findChild<CStaticLink*>(QString::number(MainWindowIds::kMarketingLink));
        QWidget* elsewhere = m_window->findChild<QWidget*>(QString::number(MainWindowIds::kPageLabel));
        QCOMPARE(link->Color(), CStaticLink::g_clrUnvisited);
        QCOMPARE(link->palette().color(QPalette::WindowText), CStaticLink::g_clrUnvisited);
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);

        QTest::mouseMove(link);
        QTRY_COMPARE(link->Color(), CStaticLink::g_clrHover);
        QTest::mouseMove(elsewhere);
        QTRY_COMPARE_WITH_TIMEOUT(link->Color(), CStaticLink::g_clrUnvisited, 300);

        m_prompts->browserStarts = false; // no browser: the colour stays
        QTest::mouseMove(link);
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(link->Color(), CStaticLink::g_clrHover);
        m_prompts->browserStarts = true;
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(link->Color(), CStaticLink::g_clrVisited);
        QCOMPARE(link->palette().color(QPalette::WindowText), CStaticLink::g_clrVisited);
        QTest::mouseMove(elsewhere);
        QTRY_COMPARE_WITH_TIMEOUT(link->Color(), CStaticLink::g_clrUnvisited, 300);

        // Without an address of its own a link opens its caption.
        CStaticLink bare(QStringLiteral("https://bare.example/"), true);
        QTest::mouseClick(&bare, Qt::LeftButton);
        QCOMPARE(m_prompts->opened.back(), std::string("https://bare.example/"));
        QCOMPARE(bare.cursor().shape(), Qt::PointingHandCursor);
    }

    void theAboutBoxOpensFromTheMenuAndTheWindowMenu() {
        open();
        for (int way = 0; way < 2; ++way) {
            QString title;
            QString version;
            QString book;
            QColor linkColour;
            WhenModalOpens([&](QDialog* dialog) {
                title = dialog->windowTitle();
                version = dialog->findChild<QLabel*>(QString::number(AboutIds::kVersion))->text();
                book = dialog->findChild<QLabel*>(QString::number(AboutIds::kBook))->toolTip();
                auto* home = dialog->findChild<CStaticLink*>(QString::number(AboutIds::kHomeLink));
                linkColour = home->palette().color(QPalette::WindowText);
                QTest::mouseClick(home, Qt::LeftButton); // not coloured, yet it opens
                ClickButton(dialog, 1);
            });
            if (way == 0)
                m_window->GetMenuBar()->findChild<QAction*>(QString::number(MainWindowIds::kAboutCommand))->trigger();
            else
                m_window->windowMenu()->findChild<QAction*>(QStringLiteral("16"))->trigger();
            QCOMPARE(title, QStringLiteral("关于 Corvane"));
            QCOMPARE(version, QStringLiteral("Version 2.1.0 Build 22357"));
            // Which book is open: the file's path, or the data source of a shared book and its server.
            QCOMPARE(book, m_book->shownName());
            QVERIFY(linkColour != CStaticLink::g_clrUnvisited);
            QCOMPARE(m_prompts->opened.back(), std::string(kHomePage));
        }
    }

    void closingEndsTheSchedulerAtOnceWithoutAStamp() {
        for (int round = 0; round < 3; ++round) {
            open();
            QTest::qWait(50 + round * 100);
            const auto started = std::chrono::steady_clock::now();
            m_window.reset();
            QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(1));
        }
        QVERIFY(!QFile::exists(QString::fromStdString(m_book->path() + "/Corvane.tmp")));
    }
};

QTEST_MAIN(SearchPanelTest)
#include "SearchPanelTest.moc"
