#include "support/WindowTest.h"

#include "app/CCorvaneDlg.h"
#include "store/AddressBook.h"
#include "app/MainWindowIds.h"
#include "ui/ReportList.h"
#include "support/FileBytes.h"

WindowTest::WindowTest() = default;

WindowTest::~WindowTest() = default;

void WindowTest::makeBook() {
    m_book = std::make_unique<WindowBook>();
    m_scope = std::make_unique<ScriptedPromptsScope>();
    m_prompts = &**m_scope;
}

void WindowTest::closeAll() {
    m_window.reset();
    m_addressBook.reset();
    m_scope.reset();
    m_prompts = nullptr;
    m_book.reset();
}

void WindowTest::open() {
    m_addressBook = std::make_unique<AddressBook>();
    m_window = std::make_unique<CCorvaneDlg>(*m_addressBook);
    m_window->Create();
}

void WindowTest::select(int row) {
    ClickRow(groups(), row);
}

void WindowTest::selectGroup(std::int64_t id) {
    for (int row = 0; row < groups()->GetItemCount(); ++row)
        if (groups()->GetItemData(row) == id) select(row);
}

ReportList* WindowTest::groups() const {
    return m_window->findChild<ReportList*>(QString::number(MainWindowIds::kGroupList));
}

ReportList* WindowTest::addresses() const {
    return m_window->findChild<ReportList*>(QString::number(MainWindowIds::kAddressList));
}

QString WindowTest::label() const {
    return ShownText(m_window.get(), MainWindowIds::kPageLabel);
}

std::string ReadFile(const std::string& path) {
    return readFileBytes(path);
}

void WriteFile(const std::string& path, const std::string& text) {
    writeFileBytes(path, text);
}
