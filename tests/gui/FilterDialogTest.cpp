// The duplicate filter through its dialog: choosing the files and their checks, a run and its result file, the
// progress line, what a run cannot do (same file, an output that cannot be made), and closing while a run goes on.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/CCorvaneDlg.h"
#include "app/MainWindowIds.h"
#include "dialogs/DialogIds.h"
#include "store/AddressBook.h"
#include "support/WindowTest.h"
#include "textfiles/FilterWorker.h"
#include "ui/ReportList.h"

namespace {

QPushButton* button(QDialog* dialog, int id) {
    return dialog->findChild<QPushButton*>(QString::number(id));
}
QString edit(QDialog* dialog, int id) {
    return dialog->findChild<QLineEdit*>(QString::number(id))->text();
}

} // namespace

class FilterDialogTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() {
        makeBook();
        m_group = m_book->addGroup("\xC5\xF3\xD3\xD1"); // 朋友
        m_book->store().InsertAddress(m_group, "a", "");
        m_input = m_book->path() + "/in.txt";
        m_output = m_book->path() + "/out.txt";
        open();
    }

    void cleanup() { closeAll(); }

    void aRunWritesTheLinesNotInTheGroupAndCanRunAgain() {
        WriteFile(m_input, "a\r\nb\na\n\n  a  \nb");
        WriteFile(m_output, "old content");
        runDialog([this](QDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("从文件过滤重复Email"));
            QCOMPARE(ShownText(dialog, FilterIds::kGroupLabel), QStringLiteral("朋友"));
            chooseFiles(dialog);
            QCOMPARE(m_prompts->shown.back().text, QStringLiteral("%1 已经存在，要替换它吗？").arg(m_output.c_str()));
            m_prompts->shown.clear();
            QCOMPARE(m_prompts->choosers.back().folder, m_book->path()); // the start directory
            for (int run = 0; run < 2; ++run) {
                ClickButton(dialog, FilterIds::kStart);
                QTRY_VERIFY(button(dialog, FilterIds::kStart)->isEnabled());
                // Every line reported; lines written as read, spaces and empty lines too, duplicates twice.
                // At the end the status says that the run is done and how many lines it wrote.
                QCOMPARE(edit(dialog, FilterIds::kStatus), QStringLiteral("完成：结果文件写入了 4 行"));
                QCOMPARE(ReadFile(m_output), std::string("b\r\n\r\n  a  \r\nb\r\n"));
            }
            QVERIFY(m_prompts->shown.empty());
            ClickButton(dialog, 1);
        });
        QCOMPARE(ReadFile(m_input), std::string("a\r\nb\na\n\n  a  \nb")); // the input is never changed
    }

    void theChoosersCheckWhatTheyAreGiven() {
        WriteFile(m_input, "x\n");
        runDialog([this](QDialog* dialog) {
            ClickButton(dialog, FilterIds::kStart);
            QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("请先选择文件")});
            // An input that does not exist is refused and the edit keeps what it had.
            m_prompts->files.push_back(m_input);
            ClickButton(dialog, FilterIds::kBrowseInput);
            m_prompts->files.push_back(m_book->path() + "/missing.txt");
            ClickButton(dialog, FilterIds::kBrowseInput);
            QCOMPARE(m_prompts->takeTexts(),
                     QStringList{QStringLiteral("%1/missing.txt 不存在存在！").arg(m_book->path().c_str())});
            QCOMPARE(edit(dialog, FilterIds::kInputPath), QString::fromStdString(m_input));
            // An output that exists asks first: No keeps the former choice.
            WriteFile(m_output, "");
            m_prompts->files.push_back(m_output);
            m_prompts->answers.push_back(PromptAnswer::No);
            ClickButton(dialog, FilterIds::kBrowseOutput);
            QCOMPARE(edit(dialog, FilterIds::kOutputPath), QString());
            QCOMPARE(m_prompts->shown.back().caption, QStringLiteral("文件覆盖询问"));
            m_prompts->shown.clear();
            ClickButton(dialog, FilterIds::kStart);
            QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("请先选择文件")});
            QCOMPARE(m_prompts->choosers.back().defaultSuffix, QStringLiteral("txt"));
            ClickButton(dialog, 1);
        });
    }

    void theInputIsNeverTheOutputNorLostToAFailedRun() {
        WriteFile(m_input, "b\nc\n");
        std::filesystem::create_symlink(m_input, m_book->path() + "/link.txt");
        runDialog([this](QDialog* dialog) {
            // The same file by another name: refused before anything is touched.
            m_prompts->files.push_back(m_input);
            ClickButton(dialog, FilterIds::kBrowseInput);
            m_prompts->files.push_back(m_book->path() + "/./link.txt");
            ClickButton(dialog, FilterIds::kBrowseOutput);
            m_prompts->shown.clear();
            ClickButton(dialog, FilterIds::kStart);
            QCOMPARE(m_prompts->shown.size(), std::size_t(1));
            QVERIFY(button(dialog, FilterIds::kStart)->isEnabled());
            QCOMPARE(ReadFile(m_input), std::string("b\nc\n"));

            // An output that cannot be made: the run ends, says so, and the start button comes back.
            m_prompts->shown.clear();
            m_prompts->files.push_back(m_book->path() + "/no/such/folder/out.txt");
            ClickButton(dialog, FilterIds::kBrowseOutput);
            ClickButton(dialog, FilterIds::kStart);
            QTRY_VERIFY(button(dialog, FilterIds::kStart)->isEnabled());
            QCOMPARE(m_prompts->shown.size(), std::size_t(1));
            QVERIFY(m_prompts->shown.front().text.contains(QStringLiteral("无法写入结果文件")));
            ClickButton(dialog, 1);
        });
        QCOMPARE(ReadFile(m_input), std::string("b\nc\n"));
    }

    void closingDuringARunAsksAndStopsOnYes() {
        writeLongInput(200'000);
        runDialog([this](QDialog* dialog) {
            chooseFiles(dialog);
            m_prompts->shown.clear();
            ClickButton(dialog, FilterIds::kStart);
            QTRY_VERIFY(!edit(dialog, FilterIds::kStatus).isEmpty());
            m_prompts->answers.push_back(PromptAnswer::No);
            dialog->close();
            QVERIFY(dialog->isVisible()); // No: the run goes on
            const QString before = edit(dialog, FilterIds::kStatus);
            QTRY_VERIFY(edit(dialog, FilterIds::kStatus) != before);
            QCOMPARE(m_prompts->shown.back().text, QStringLiteral("正在处理中，确认退出吗？"));
            QCOMPARE(m_prompts->shown.back().caption, QStringLiteral("确认"));
            QCOMPARE(m_prompts->shown.back().icon, PromptIcon::Question);
            const auto started = std::chrono::steady_clock::now();
            dialog->close(); // Yes: stopped before its next line
            QVERIFY(!dialog->isVisible());
            QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(1));
        });
        QCOMPARE(g_bFilterIdle.load(), 1);
        const std::string written = ReadFile(m_output);
        QVERIFY(written.size() < 200'000u * 9u);
        QVERIFY(written.empty() || written.substr(written.size() - 2) == "\r\n");
        // The window and its book are still fine.
        QVERIFY(m_addressBook->store().IsOpen());
        QCOMPARE(m_addressBook->store().AddressExists(m_group, "a"), 1);
    }

    // A run whose dialog was closed goes on alone: quitting the program then asks, and says that the output is cut.
    void quittingWhileARunGoesOnAsksAndSaysTheOutputIsIncomplete() {
        writeLongInput(1'000'000);
        runDialog([this](QDialog* dialog) {
            chooseFiles(dialog);
            ClickButton(dialog, FilterIds::kStart);
            QTRY_VERIFY(!edit(dialog, FilterIds::kStatus).isEmpty());
            ClickButton(dialog, 1);
        });
        m_prompts->shown.clear();
        m_prompts->answers.push_back(PromptAnswer::No);
        m_window->close();
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_prompts->takeTexts(), QStringList{QStringLiteral("正在处理中，确认退出吗？")});
        m_window->close(); // Yes
        QVERIFY(!m_window->isVisible());
        QCOMPARE(g_bFilterIdle.load(), 1);
        QCOMPARE(m_prompts->takeTexts(),
                 (QStringList{QStringLiteral("正在处理中，确认退出吗？"),
                              QStringLiteral("过滤没有做完就停止了，结果文件不完整：\n%1").arg(m_output.c_str())}));
    }

    void aRunOutlivesItsClosedDialogWithoutReachingTheNextOne() {
        writeLongInput(30'000);
        runDialog([this](QDialog* dialog) {
            chooseFiles(dialog);
            ClickButton(dialog, FilterIds::kStart);
            QTRY_VERIFY(!edit(dialog, FilterIds::kStatus).isEmpty());
            ClickButton(dialog, 1); // "关闭": ends the dialog at once, the run goes on alone
        });
        // A new dialog while the old run goes on hears nothing of it.
        runDialog([](QDialog* dialog) {
            QTest::qWait(100);
            QCOMPARE(edit(dialog, FilterIds::kStatus), QString());
            QVERIFY(button(dialog, FilterIds::kStart)->isEnabled());
            ClickButton(dialog, 1);
        });
        // Every line but "a" ends up in the file: "l", six digits, CR LF.
        QTRY_COMPARE_WITH_TIMEOUT(ReadFile(m_output).size(), std::size_t(30'000 - 1) * 9, 20'000);
    }

private:
    // Runs the filter dialog from the main window with `action`.
    void runDialog(std::function<void(QDialog*)> action) {
        select(0);
        WhenModalOpens(std::move(action));
        ClickButton(m_window.get(), MainWindowIds::kFilter);
    }

    void chooseFiles(QDialog* dialog) {
        m_prompts->files.push_back(m_input);
        ClickButton(dialog, FilterIds::kBrowseInput);
        m_prompts->files.push_back(m_output);
        ClickButton(dialog, FilterIds::kBrowseOutput);
        QCOMPARE(edit(dialog, FilterIds::kInputPath), QString::fromStdString(m_input));
        QCOMPARE(edit(dialog, FilterIds::kOutputPath), QString::fromStdString(m_output));
    }

    void writeLongInput(int lines) {
        std::string text = "a\n";
        char line[32];
        for (int i = 1; i < lines; ++i) {
            std::snprintf(line, sizeof line, "l%06d\n", i);
            text += line;
        }
        WriteFile(m_input, text);
    }

    std::int32_t m_group = 0;
    std::string m_input;
    std::string m_output;
};

QTEST_MAIN(FilterDialogTest)
#include "FilterDialogTest.moc"
