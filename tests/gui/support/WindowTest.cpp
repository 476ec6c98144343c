#include "support/WindowTest.h"

#include <fstream>
#include <sstream>

#include "app/CCorvaneDlg.h"
#include "store/AddressBook.h"
#include "app/MainWindowIds.h"
#include "ui/ReportList.h"

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
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
