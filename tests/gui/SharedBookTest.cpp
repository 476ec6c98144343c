// The book while other programs use it too: the window keeps SQLite's locks on it whatever folder a file chooser
// shows, so a second Corvane, a backup script or a viewer that opens and closes the book never takes it for its
// own (checkpointing and deleting its write-ahead log under the window, or cutting an import's shared memory off).
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>
#include <QTimer>

#include "app/CCorvaneDlg.h"
#include "app/MainWindowIds.h"
#include "dialogs/DialogIds.h"
#include "store/DatabaseFile.h"
#include "support/ChildProcess.h"
#include "support/TestBook.h"
#include "support/WindowTest.h"
#include "ui/ReportList.h"

namespace {

// The POSIX locks this process holds on the book's file and its shared-memory file, as /proc/locks lists them.
int locksOnBook(const std::string& folder) {
    std::vector<unsigned long> inodes;
    for (const std::string& name : {std::string("/Corvane.bin"), std::string("/Corvane.bin-shm")}) {
        struct stat info;
        if (::stat((folder + name).c_str(), &info) == 0) inodes.push_back(info.st_ino);
    }
    std::ifstream locks("/proc/locks");
    std::string line;
    int count = 0;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, pid, device;
        fields >> id >> kind;
        if (kind == "->") continue; // a lock being waited for, not held
        fields >> mode >> access >> pid >> device;
        if (pid != std::to_string(::getpid())) continue;
        const unsigned long inode = std::stoul(device.substr(device.rfind(':') + 1));
        for (unsigned long bookInode : inodes)
            count += inode == bookInode;
    }
    return count;
}

// Runs `action` on the next file chooser that opens (the modal dialogs around it are passed over).
void whenChooserOpens(std::function<void(QFileDialog*)> action) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, action = std::move(action)] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!chooser) {
            if (++*waited < 500) return;
            timer->deleteLater();
            QFAIL("no file chooser opened");
            return;
        }
        timer->stop();
        timer->deleteLater();
        action(chooser);
        if (chooser->isVisible()) chooser->reject();
    });
    timer->start();
}

// Shows `folder` in the chooser, as a user who browses there, and waits until it has listed the folder with its
// files' icons and types, which is when a chooser reads what it reads of each file.
void browseTo(QFileDialog* chooser, const std::string& folder) {
    chooser->setDirectory(QString::fromStdString(folder));
    chooser->selectNameFilter(chooser->nameFilters().last()); // every file, the book among them
    auto* model = chooser->findChild<QFileSystemModel*>();
    QVERIFY(model);
    const QString book = QString::fromStdString(databaseFilePath(folder));
    QTRY_VERIFY(model->index(book).isValid());
    QTRY_VERIFY(!model->data(model->index(book), Qt::DecorationRole).isNull());
    QTRY_VERIFY(!model->type(model->index(book)).isEmpty());
    QTest::qWait(300);
}

pid_t startBookChild(std::vector<std::string> args) {
    args.insert(args.begin(), CORVANE_BOOK_CHILD);
    return startProgram(std::move(args));
}

int waitForChild(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

} // namespace

class SharedBookTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() { makeBook(); }

    void cleanup() { closeAll(); }

    void everyChooserLeavesTheBooksLocksHeld() {
        if (OnPostgreSql()) QSKIP("a book on a server has no file to lock");
        m_book->addGroup("g");
        open();
        select(0);
        const std::string folder = m_book->path();
        // How many lines varies with the reads in progress (a loader holds a read mark while it reads); a process that
        // lost its locks holds none at all.
        QVERIFY(locksOnBook(folder) > 0);
        m_prompts->realChoosers = true;

        for (const int button : {MainWindowIds::kImport, MainWindowIds::kExport}) { // 导入, 导出
            whenChooserOpens([&](QFileDialog* chooser) { browseTo(chooser, folder); });
            ClickButton(m_window.get(), button);
            QVERIFY(locksOnBook(folder) > 0);
        }
        // Both choosers of the filter dialog.
        WhenModalOpens([&](QDialog* filter) {
            for (const int browse : {FilterIds::kBrowseInput, FilterIds::kBrowseOutput}) {
                whenChooserOpens([&](QFileDialog* chooser) { browseTo(chooser, folder); });
                ClickButton(filter, browse);
                QVERIFY(locksOnBook(folder) > 0);
            }
            filter->reject();
        });
        ClickButton(m_window.get(), MainWindowIds::kFilter);
        QVERIFY(locksOnBook(folder) > 0);
    }

    // A backup script, or a viewer, opens, reads and closes the book again and again while a large import runs.
    void anImportBesideAProgramThatOpensAndClosesTheBookStoresEveryRow() {
        const std::int32_t group = m_book->addGroup("g");
        open();
        select(0);
        visitTheBooksFolderInAChooser();
        constexpr int kAddresses = 60'000;
        std::string lines;
        for (int i = 0; i < kAddresses; ++i)
            lines += "import" + std::to_string(i) + "@example.com\n";
        const std::string file = m_book->path() + "/list.txt";
        WriteFile(file, lines);

        const std::string stop = m_book->path() + "/stop";
        const pid_t churn = startBookChild({"churn", m_book->path(), stop});
        QVERIFY(churn > 0);
        QTest::qWait(200);
        m_prompts->files.push_back(file);
        ClickButton(m_window.get(), MainWindowIds::kImport);
        WriteFile(stop, "");
        QCOMPARE(waitForChild(churn), 0);
        QVERIFY(m_prompts->shown.empty());
        QTRY_COMPARE(label(), QStringLiteral("共计%1个 第1/%2页").arg(kAddresses).arg(kAddresses / 50));
        m_window.reset();
        QCOMPARE(storedAddresses(group), static_cast<std::size_t>(kAddresses));
    }

    // Another program adds a group and quits while the window runs; then the window adds one. Both are in the book
    // once both programs have quit.
    void groupsOfTwoProgramsBothReachTheBook() {
        open();
        visitTheBooksFolderInAChooser();
        QCOMPARE(waitForChild(startBookChild({"group", m_book->path(), "theirs"})), 0);
        WhenModalOpens([](QDialog* dialog) { TypeAndClick(dialog, NameEntryIds::kText, QStringLiteral("mine"), 1); });
        ClickButton(m_window.get(), MainWindowIds::kNewGroup);
        QCOMPARE(groups()->GetItemCount(), 2);
        m_window.reset();

        AddressStore after;
        QVERIFY(after.OpenDatabase(m_book->path()));
        std::vector<GroupRecord> stored;
        QCOMPARE(after.LoadGroups(stored), 0);
        QCOMPARE(stored.size(), std::size_t(2));
        QCOMPARE(stored[0].name, std::string("theirs"));
        QCOMPARE(stored[1].name, std::string("mine"));
    }

private:
    // What a user may do first: a look into the book's folder through 导出's chooser (which needs no group), cancelled.
    void visitTheBooksFolderInAChooser() {
        if (OnPostgreSql()) return; // the book is on the server: no file in the folder
        m_prompts->realChoosers = true;
        bool shown = false;
        whenChooserOpens([&](QFileDialog* chooser) {
            browseTo(chooser, m_book->path());
            shown = true;
        });
        ClickButton(m_window.get(), MainWindowIds::kExport);
        m_prompts->realChoosers = false;
        QVERIFY(shown);
    }

    std::size_t storedAddresses(std::int32_t group) {
        AddressStore after;
        if (!after.OpenDatabase(m_book->path())) return 0;
        return static_cast<std::size_t>(after.countGroupAddresses(group).value_or(0));
    }
};

QTEST_MAIN(SharedBookTest)
#include "SharedBookTest.moc"
