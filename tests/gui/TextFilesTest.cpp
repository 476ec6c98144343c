// Import and export through the main window: the chooser and its ".txt" rule, the missing-file notice, the reload
// from page 1, group id 0 without a selection; the page on show written with CR LF, and the replace question.
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include <QTest>

#include "app/CCorvaneDlg.h"
#include "support/WindowTest.h"
#include "ui/ReportList.h"

class TextFilesTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() { makeBook(); }

    void cleanup() { closeAll(); }

    void importStoresNewValidAddressesAndShowsTheGroupFromPageOne() {
        const std::int32_t group = m_book->addGroup("g");
        m_book->addAddresses(group, 60, "old"); // two pages
        m_book->store().InsertAddress(group, "held@example.com", "kept name");
        open();
        select(0);
        QTRY_COMPARE(label(), QStringLiteral("共计61个 第1/2页"));
        ClickButton(m_window.get(), 1020);
        QCOMPARE(label(), QStringLiteral("共计61个 第2/2页"));

        const std::string file = m_book->path() + "/list"; // typed without an extension
        WriteFile(file + ".txt", "\xEF\xBB\xBF"
                                 "first@example.com\r\n"
                                 "  \tspaced@example.com \t\r\n"
                                 "held@example.com\n"
                                 "not an address\n"
                                 "\n"
                                 "first@example.com\n" +
                                     std::string(243, 'a') + "@example.com\n" + // 255 bytes: skipped
                                     std::string(242, 'b') + "@example.com");   // 254 bytes, no final line end
        m_prompts->files.push_back(file);
        ClickButton(m_window.get(), 1009);
        QCOMPARE(m_prompts->choosers.back().kind, FileChooser::Kind::Save);
        QVERIFY(m_prompts->shown.empty());
        QTRY_COMPARE(label(), QStringLiteral("共计64个 第1/2页"));

        std::map<std::string, std::string> stored; // e-mail to name
        for (const AddressRecord& address : m_book->addresses(group))
            stored[address.email] = address.name;
        QCOMPARE(stored.size(), std::size_t(64));
        QCOMPARE(stored["held@example.com"], std::string("kept name"));
        for (const std::string& email : {std::string("first@example.com"), std::string("spaced@example.com"),
                                         std::string(242, 'b') + "@example.com"}) {
            QVERIFY2(stored.count(email), email.c_str());
            QCOMPARE(stored[email], std::string());
        }
    }

    void importNamesTheMissingFileAndWithoutAGroupUsesGroupZero() {
        m_book->addGroup("g");
        open();
        // ".TXT" is not ".txt": the name with ".txt" appended does not exist.
        WriteFile(m_book->path() + "/upper.TXT", "a@example.com\n");
        m_prompts->files.push_back(m_book->path() + "/upper.TXT");
        ClickButton(m_window.get(), 1009);
        QCOMPARE(m_prompts->shown.size(), std::size_t(1));
        QCOMPARE(m_prompts->shown.front().text,
                 QStringLiteral("文件 %1/upper.TXT.txt 不存在！").arg(QString::fromStdString(m_book->path())));
        QCOMPARE(m_prompts->shown.front().caption, QStringLiteral("提示"));
        m_prompts->shown.clear();

        // A folder whose name holds ".txt" gets nothing appended; with no group chosen, group 0 takes the rows.
        std::filesystem::create_directory(m_book->path() + "/in.txt.d");
        WriteFile(m_book->path() + "/in.txt.d/list", "zero@example.com\n");
        m_prompts->files.push_back(m_book->path() + "/in.txt.d/list");
        ClickButton(m_window.get(), 1009);
        QVERIFY(m_prompts->shown.empty());
        QCOMPARE(m_book->addresses(0).size(), std::size_t(1));
        QTRY_COMPARE(label(), QStringLiteral("共计1个 第1/1页"));

        // A cancelled chooser does nothing.
        ClickButton(m_window.get(), 1009);
        QVERIFY(m_prompts->shown.empty());
    }

    void exportWritesThePageOnShowWithCrLf() {
        const std::int32_t group = m_book->addGroup("g");
        m_book->addAddresses(group, 60);
        open();
        const std::string path = m_book->path() + "/out.txt";
        m_prompts->files.push_back(path);
        ClickButton(m_window.get(), 1010); // nothing on show yet: an empty file
        QCOMPARE(ReadFile(path), std::string());

        select(0);
        QTRY_COMPARE(label(), QStringLiteral("共计60个 第1/2页"));
        ClickButton(m_window.get(), 1020);
        QTRY_COMPARE(addresses()->GetItemCount(), 10);
        // The file exists: No leaves it, Yes replaces it with the second page, top to bottom, e-mails only.
        WriteFile(path, "before");
        m_prompts->files.push_back(m_book->path() + "/out");
        m_prompts->answers.push_back(PromptAnswer::No);
        ClickButton(m_window.get(), 1010);
        QCOMPARE(m_prompts->shown.back().text,
                 QStringLiteral("%1 已经存在，要替换它吗？").arg(QString::fromStdString(path)));
        QCOMPARE(m_prompts->shown.back().caption, QStringLiteral("文件覆盖询问"));
        QCOMPARE(m_prompts->shown.back().buttons, PromptButtons::YesNo);
        QCOMPARE(ReadFile(path), std::string("before"));
        m_prompts->files.push_back(path);
        ClickButton(m_window.get(), 1010);
        std::string expected;
        for (int i = 59; i >= 50; --i)
            expected += TestEmail("a", i) + "\r\n";
        QCOMPARE(ReadFile(path), expected);
    }
};

QTEST_MAIN(TextFilesTest)
#include "TextFilesTest.moc"
