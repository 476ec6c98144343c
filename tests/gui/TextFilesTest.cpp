// Import and export through the main window: the chooser and its ".txt" rule, the missing-file notice, the reload
// from page 1, group id 0 without a selection, the progress and stop of a long import; the page on show written
// with CR LF, and the replace question.
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "app/CCorvaneDlg.h"
#include "app/MainWindowIds.h"
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
        ClickButton(m_window.get(), MainWindowIds::kNextPage);
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
        ClickButton(m_window.get(), MainWindowIds::kImport);
        QCOMPARE(m_prompts->choosers.back().kind, FileChooser::Kind::Open);
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

    void importNamesTheMissingFileAndWantsAGroup() {
        const std::int32_t group = m_book->addGroup("g");
        open();
        // With no group on show the rows would go where no list shows them: refused before the chooser.
        ClickButton(m_window.get(), MainWindowIds::kImport);
        QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("请先选择邮件组！")});
        QVERIFY(m_prompts->choosers.empty());
        select(0);
        // The file picked is the file read, whatever its name ends in.
        WriteFile(m_book->path() + "/list.csv", "csv@example.com\n");
        WriteFile(m_book->path() + "/upper.TXT", "upper@example.com\n");
        m_prompts->files.push_back(m_book->path() + "/list.csv");
        m_prompts->files.push_back(m_book->path() + "/upper.TXT");
        ClickButton(m_window.get(), MainWindowIds::kImport);
        ClickButton(m_window.get(), MainWindowIds::kImport);
        QVERIFY(m_prompts->shown.empty());
        QCOMPARE(m_book->addresses(group).size(), std::size_t(2));
        // A typed name that names no file gets ".txt"; when that is missing too, the notice names it.
        m_prompts->files.push_back(m_book->path() + "/missing");
        ClickButton(m_window.get(), MainWindowIds::kImport);
        QCOMPARE(m_prompts->shown.size(), std::size_t(1));
        QCOMPARE(m_prompts->shown.front().text,
                 QStringLiteral("文件 %1/missing.txt 不存在！").arg(QString::fromStdString(m_book->path())));
        QCOMPARE(m_prompts->shown.front().caption, QStringLiteral("提示"));
        m_prompts->shown.clear();

        // A folder whose name holds ".txt" gets nothing appended.
        std::filesystem::create_directory(m_book->path() + "/in.txt.d");
        WriteFile(m_book->path() + "/in.txt.d/list", "zero@example.com\n");
        m_prompts->files.push_back(m_book->path() + "/in.txt.d/list");
        ClickButton(m_window.get(), MainWindowIds::kImport);
        QVERIFY(m_prompts->shown.empty());
        QCOMPARE(m_book->addresses(group).size(), std::size_t(3));
        QVERIFY(m_book->addresses(0).empty());
        QTRY_COMPARE(label(), QStringLiteral("共计3个 第1/1页"));

        // A cancelled chooser does nothing.
        ClickButton(m_window.get(), MainWindowIds::kImport);
        QVERIFY(m_prompts->shown.empty());
    }

    // A long import leaves the window alive and shows how far it has come; 停止 keeps the batches committed, says
    // how many addresses they hold, and a second run stores the rest.
    void aLongImportShowsItsProgressAndStopsWhenAsked() {
        const std::int32_t group = m_book->addGroup("g");
        open();
        select(0);
        constexpr int kLines = 600'000;
        std::string text;
        for (int i = 0; i < kLines; ++i)
            text += "p" + std::to_string(i) + "@example.com\n";
        const std::string file = m_book->path() + "/long.txt";
        WriteFile(file, text);
        std::string().swap(text);
        m_prompts->files.push_back(file);
        QString title;
        WhenModalOpens([&](QDialog* dialog) {
            title = dialog->windowTitle();
            auto* bar = dialog->findChild<QProgressBar*>();
            QVERIFY(bar);
            QTRY_VERIFY(bar->value() > 0);
            auto* stop = dialog->findChild<QPushButton*>();
            QCOMPARE(stop->text(), QStringLiteral("停止"));
            QTest::mouseClick(stop, Qt::LeftButton);
            QTRY_VERIFY(!dialog->isVisible());
        });
        ClickButton(m_window.get(), MainWindowIds::kImport);
        QCOMPARE(title, QStringLiteral("导入"));
        const QStringList said = m_prompts->takeTexts();
        QCOMPARE(said.size(), 1);
        const QRegularExpressionMatch counts =
            QRegularExpression(QStringLiteral("^导入已停止：已保存 (\\d+) 个地址，来自文件的前 (\\d+) 行。"))
                .match(said[0]);
        QVERIFY2(counts.hasMatch(), qPrintable(said[0]));
        const std::size_t stored = counts.captured(1).toULongLong();
        QCOMPARE(counts.captured(2).toULongLong(), stored);
        QVERIFY(stored > 0 && stored < std::size_t(kLines));
        // The rows are those of the file's first lines.
        std::set<std::string> rows;
        for (const AddressRecord& row : m_book->addresses(group))
            rows.insert(row.email);
        QCOMPARE(rows.size(), stored);
        for (std::size_t i = 0; i < stored; ++i)
            QVERIFY(rows.count("p" + std::to_string(i) + "@example.com"));
        QTRY_COMPARE(label().section(' ', 0, 0), QStringLiteral("共计%1个").arg(stored));

        // Run to its end, the rest is stored, silently.
        m_prompts->files.push_back(file);
        WhenModalOpens([](QDialog* dialog) { QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 120'000); });
        ClickButton(m_window.get(), MainWindowIds::kImport);
        QVERIFY(m_prompts->shown.empty());
        QCOMPARE(m_book->addresses(group).size(), std::size_t(kLines));
    }

    void exportWritesThePageOnShowWithCrLf() {
        const std::int32_t group = m_book->addGroup("g");
        m_book->addAddresses(group, 60);
        open();
        const std::string path = m_book->path() + "/out.txt";
        m_prompts->files.push_back(path);
        ClickButton(m_window.get(), MainWindowIds::kExport); // nothing on show yet: an empty file
        QCOMPARE(ReadFile(path), std::string());

        select(0);
        QTRY_COMPARE(label(), QStringLiteral("共计60个 第1/2页"));
        ClickButton(m_window.get(), MainWindowIds::kNextPage);
        QTRY_COMPARE(addresses()->GetItemCount(), 10);
        // The file exists: No leaves it, Yes replaces it with the second page, top to bottom, e-mails only.
        WriteFile(path, "before");
        m_prompts->files.push_back(m_book->path() + "/out");
        m_prompts->answers.push_back(PromptAnswer::No);
        ClickButton(m_window.get(), MainWindowIds::kExport);
        QCOMPARE(m_prompts->shown.back().text,
                 QStringLiteral("%1 已经存在，要替换它吗？").arg(QString::fromStdString(path)));
        QCOMPARE(m_prompts->shown.back().caption, QStringLiteral("文件覆盖询问"));
        QCOMPARE(m_prompts->shown.back().buttons, PromptButtons::YesNo);
        QCOMPARE(ReadFile(path), std::string("before"));
        m_prompts->files.push_back(path);
        ClickButton(m_window.get(), MainWindowIds::kExport);
        std::string expected;
        for (int i = 59; i >= 50; --i)
            expected += TestEmail("a", i) + "\r\n";
        QCOMPARE(ReadFile(path), expected);
    }

    // A full disk or a folder that does not exist: the export says so, and leaves the file that was there and no
    // part of its own.
    void anExportThatCannotBeWrittenSaysSoAndLeavesTheOldFile() {
        const std::int32_t group = m_book->addGroup("g");
        m_book->addAddresses(group, 50);
        open();
        select(0);
        QTRY_COMPARE(addresses()->GetItemCount(), 50);
        const std::string missing = m_book->path() + "/no/such/folder/out.txt";
        m_prompts->files.push_back(missing);
        ClickButton(m_window.get(), MainWindowIds::kExport);
        QStringList texts = m_prompts->takeTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.front().startsWith(QStringLiteral("导出失败，文件没有写入：%1\n").arg(missing.c_str())),
                 qPrintable(texts.front()));

        const std::string path = m_book->path() + "/out.txt";
        WriteFile(path, "the last export");
        const auto namesBefore = namesIn(m_book->path());
        {
            // As on a disk that fills: a write past 100 bytes fails with EFBIG.
            const FileSizeLimit full(100);
            m_prompts->files.push_back(path);
            ClickButton(m_window.get(), MainWindowIds::kExport); // Yes to the replace question
        }
        texts = m_prompts->takeTexts();
        QCOMPARE(texts.size(), 2);
        QVERIFY2(texts.back().startsWith(QStringLiteral("导出失败，文件没有写入：%1\n").arg(path.c_str())),
                 qPrintable(texts.back()));
        QCOMPARE(ReadFile(path), std::string("the last export"));
        QCOMPARE(namesIn(m_book->path()), namesBefore);
    }

private:
    // Limits the size of every file this process writes while it lives; a write past it fails instead of raising
    // SIGXFSZ.
    class FileSizeLimit {
    public:
        explicit FileSizeLimit(rlim_t bytes) {
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &m_before);
            const rlimit limit{bytes, m_before.rlim_max};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_before); }

    private:
        rlimit m_before{};
    };

    static std::vector<std::string> namesIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

QTEST_MAIN(TextFilesTest)
#include "TextFilesTest.moc"
