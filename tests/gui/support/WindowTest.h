// The base of the tests that drive the main window: a fresh book in a start directory of its own, scripted prompts,
// and the window opened on that book; with the few ways of looking at it that every such test needs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QObject>
#include <QString>

#include "support/GuiTestSupport.h"

class AddressBook;
class CCorvaneDlg;
class ReportList;

class WindowTest : public QObject {
    Q_OBJECT

protected:
    WindowTest();
    ~WindowTest() override;

    // Called from each test's init() and cleanup().
    void makeBook();
    void closeAll();

    // Opens the main window on the book.
    void open();
    // Clicks row `row` of the group list.
    void select(int row);
    // Clicks the row of group `id` in the group list.
    void selectGroup(std::int64_t id);
    ReportList* groups() const;
    ReportList* addresses() const;
    // The paging label.
    QString label() const;

    std::unique_ptr<WindowBook> m_book;
    std::unique_ptr<ScriptedPromptsScope> m_scope;
    ScriptedPrompts* m_prompts = nullptr;
    // The window's book: a test's own, not the program's.
    std::unique_ptr<AddressBook> m_addressBook;
    std::unique_ptr<CCorvaneDlg> m_window;
};

// A whole file's bytes, and a file made of `text`.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
