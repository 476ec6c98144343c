#include "support/GuiTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/OdbcConnection.h"
#include "platform/StartDirectory.h"
#include "support/TestBook.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"

PromptAnswer ScriptedPrompts::showMessage(QWidget*, const QString& text, const QString& caption, PromptIcon icon,
                                          PromptButtons buttons) {
    shown.push_back({text, caption, icon, buttons});
    if (!answers.empty()) {
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
}

bool ScriptedPrompts::openInBrowser(const std::string& address) {
    opened.push_back(address);
    return browserStarts;
}

std::optional<std::string> ScriptedPrompts::chooseFile(QWidget* parent, const FileChooser& chooser) {
    choosers.push_back(chooser);
    if (realChoosers) return showFileChooser(parent, chooser);
    if (files.empty()) return std::nullopt;
    std::string path = files.front();
    files.pop_front();
    return path;
}

QStringList ScriptedPrompts::takeTexts() {
    QStringList texts;
    for (const Message& message : shown)
        texts << message.text;
    shown.clear();
    return texts;
}

ScriptedPromptsScope::ScriptedPromptsScope() {
    auto prompts = std::make_unique<ScriptedPrompts>();
    m_prompts = prompts.get();
    installPrompts(std::move(prompts));
}

ScriptedPromptsScope::~ScriptedPromptsScope() {
    installPrompts(nullptr);
}

WindowBook::WindowBook(bool withDatabase) {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-gui-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
    m_previousDirectory = std::filesystem::current_path().string();
    m_book = std::make_unique<TestBook>(m_path, withDatabase);
    if (withDatabase && !m_store.OpenDatabase(m_path)) throw std::runtime_error("cannot open the test book");
    std::filesystem::current_path(m_path);
    captureStartDirectory();
}

WindowBook::~WindowBook() {
    m_store.closeDatabase();
    m_book.reset();
    std::error_code ignored;
    std::filesystem::current_path(m_previousDirectory, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::int32_t WindowBook::addGroup(const std::string& name) {
    m_store.AddGroup(name);
    std::vector<GroupRecord> all = groups();
    return all.empty() ? 0 : all.back().id;
}

void WindowBook::addAddresses(std::int32_t groupId, int count, const std::string& prefix) {
    StoreTransaction batch = m_store.beginTransaction();
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "n%04d", i);
        m_store.InsertAddress(groupId, TestEmail(prefix, i), name);
    }
    batch.commit();
}

QString WindowBook::shownName() const {
    return OnPostgreSql() ? QStringLiteral("数据源 Corvane (%1)").arg(QString::fromStdString(m_book->serverAddress()))
                          : QString::fromStdString(m_path + "/Corvane.bin");
}

std::vector<AddressRecord> WindowBook::addresses(std::int32_t groupId) {
    std::list<AddressRecord> list;
    m_store.LoadGroupAddresses(groupId, list);
    return {list.begin(), list.end()};
}

std::vector<GroupRecord> WindowBook::groups() {
    std::vector<GroupRecord> all;
    m_store.LoadGroups(all);
    return all;
}

void WindowBook::execute(const std::string& sql) {
    OdbcConnection connection;
    connection.open(m_book->connectionString());
    connection.execute(sql);
}

std::string TestEmail(const std::string& prefix, int number) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d@x", number);
    return prefix + text;
}

void WhenModalOpens(std::function<void(QDialog* dialog)> action) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, action = std::move(action)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (++*waited < 500) return;
            timer->deleteLater();
            QFAIL("no modal dialog opened");
            return;
        }
        timer->stop();
        timer->deleteLater();
        action(dialog);
        // A dialog the action left open would hold the test for ever.
        if (dialog->isVisible()) {
            QTest::qFail("the dialog was left open", __FILE__, __LINE__);
            dialog->reject();
        }
    });
    timer->start();
}

void TypeAndClick(QDialog* dialog, int editId, const QString& text, int buttonId) {
    auto* edit = dialog->findChild<QLineEdit*>(QString::number(editId));
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    TypeText(edit, text);
    ClickButton(dialog, buttonId);
}

void TypeText(QWidget* edit, const QString& text) {
    bool ascii = true;
    for (const QChar character : text)
        ascii = ascii && character.unicode() < 0x80;
    if (ascii) {
        QTest::keyClicks(edit, text);
        return;
    }
    // Chinese (and any other non-ASCII text) arrives as an input method commits it.
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

void ClickRow(ReportList* list, int row, Qt::KeyboardModifiers modifiers) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    QVERIFY(item);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(item).center());
}

void ClickButton(QWidget* window, int id) {
    auto* button = window->findChild<QPushButton*>(QString::number(id));
    QVERIFY2(button, qPrintable(QStringLiteral("no button %1").arg(id)));
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList ColumnTexts(const ReportList* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->GetItemCount(); ++row)
        texts << fromCp936(list->GetItemText(row, column));
    return texts;
}

QString ShownText(QWidget* window, int id) {
    QWidget* control = window->findChild<QWidget*>(QString::number(id));
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    return QStringLiteral("<no control %1>").arg(id);
}
