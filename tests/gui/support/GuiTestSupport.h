// What the window tests share: scripted answers at the message boxes, a book of their own in a temporary start
// directory, and driving a modal dialog that a handler opens.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "store/AddressStore.h"
#include "ui/UserPrompts.h"

class QDialog;
class QTreeWidgetItem;
class QWidget;
class ReportList;
class TestBook;

// Records every message box and answers it (with the queued answers first, then OK or Yes), and every page sent
// to the browser.
class ScriptedPrompts final : public UserPrompts {
public:
    struct Message {
        QString text;
        QString caption;
        PromptIcon icon;
        PromptButtons buttons;
    };

    PromptAnswer showMessage(QWidget* parent, const QString& text, const QString& caption, PromptIcon icon,
                             PromptButtons buttons) override;
    // A browser that records what it is asked to open and comes up unless told otherwise.
    bool openInBrowser(const std::string& address) override;
    // A file chooser that hands out the queued paths, then cancels; with `realChoosers`, the real chooser.
    std::optional<std::string> chooseFile(QWidget* parent, const FileChooser& chooser) override;

    std::vector<Message> shown;
    std::deque<PromptAnswer> answers;
    std::vector<std::string> opened;
    std::deque<std::string> files;
    std::vector<FileChooser> choosers;
    bool browserStarts = true;
    bool realChoosers = false;

    // The texts shown so far, and forgets them.
    QStringList takeTexts();
};

// Installs scripted prompts while it lives.
class ScriptedPromptsScope {
public:
    ScriptedPromptsScope();
    ~ScriptedPromptsScope();
    ScriptedPrompts* operator->() const { return m_prompts; }
    ScriptedPrompts& operator*() const { return *m_prompts; }

private:
    ScriptedPrompts* m_prompts;
};

// A temporary folder made the start directory (and the current directory), and the book a program started there
// opens, on the engine of the test run (see tests/support/TestBook.h): the file "Corvane.bin" in the folder,
// or a fresh database on the test server behind the data source "Corvane". Without a database (`withDatabase`
// false) there is no file, or the server's database has no tables. Its own store fills the book before and checks
// it after.
class WindowBook {
public:
    explicit WindowBook(bool withDatabase = true);
    ~WindowBook();
    WindowBook(const WindowBook&) = delete;
    WindowBook& operator=(const WindowBook&) = delete;

    const std::string& path() const { return m_path; }
    AddressStore& store() { return m_store; }
    // How the window names this book: the file's path, or the data source and its server.
    QString shownName() const;

    std::int32_t addGroup(const std::string& name);
    // `count` addresses "<prefix><nnnn>@x" named "n<nnnn>", four-digit numbers from 0, in one transaction.
    void addAddresses(std::int32_t groupId, int count, const std::string& prefix = "a");
    std::vector<AddressRecord> addresses(std::int32_t groupId);
    std::vector<GroupRecord> groups();
    // Runs a statement on the book through a connection of its own (rows the store has no operation for).
    void execute(const std::string& sql);

private:
    std::string m_path;
    std::string m_previousDirectory;
    std::unique_ptr<TestBook> m_book;
    AddressStore m_store;
};

// "<prefix><nnnn>@x", as WindowBook::addAddresses makes them.
std::string TestEmail(const std::string& prefix, int number);

// Runs `action` on the next modal dialog that opens, from the event loop, so that a test can drive a dialog that a
// handler runs modally. Fails the test (and closes the dialog) when none opens within a few seconds.
void WhenModalOpens(std::function<void(QDialog* dialog)> action);
// Types `text` into the edit `editId` of `dialog`, replacing what it held, and clicks button `buttonId`.
void TypeAndClick(QDialog* dialog, int editId, const QString& text, int buttonId);
// Types `text` into `edit` at its cursor: keys for ASCII, an input method's commit for the rest.
void TypeText(QWidget* edit, const QString& text);

// Clicks row `row` of `list` with the left mouse button (with `modifiers`, e.g. Ctrl for a further row).
void ClickRow(ReportList* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Clicks the button with id `id` in `window`.
void ClickButton(QWidget* window, int id);
// The texts of column `column` of every row, top to bottom, decoded.
QStringList ColumnTexts(const ReportList* list, int column = 0);
// The text a label or edit shows.
QString ShownText(QWidget* window, int id);
