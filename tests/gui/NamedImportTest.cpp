// The list tools' file commands through the menu 名单: a list with names previewed as detected, imported, summed
// up, and its refused lines saved; a whole group exported as CSV.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/CCorvaneDlg.h"
#include "listdialogs/GroupExportDialog.h"
#include "listdialogs/ListMenu.h"
#include "listdialogs/NamedImportDialog.h"
#include "support/WindowTest.h"
#include "ui/ReportList.h"

namespace {

// Runs `action` on the modal dialog named `name` once it is the one on top, from whatever event loop runs then
// (the dialog that opened it is still in its handler).
void whenDialogNamedOpens(const QString& name, std::function<void(QDialog*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, name, action = std::move(action), waited = 0]() mutable {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != name) {
            if (++waited < 1000) return;
            timer->deleteLater();
            QFAIL("the dialog did not open");
            return;
        }
        timer->stop();
        timer->deleteLater();
        action(dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    timer->start();
}

template <class Widget> Widget* child(QDialog* dialog, const char* name) {
    auto* widget = dialog->findChild<Widget*>(QLatin1String(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
}

} // namespace

class NamedImportTest : public WindowTest {
    Q_OBJECT

private slots:
    void init() { makeBook(); }

    void cleanup() { closeAll(); }

    void aListWithNamesIsPreviewedImportedSummedUpAndItsRefusedLinesSaved() {
        m_book->addGroup("other");
        const std::int32_t group = m_book->addGroup("clients");
        m_book->store().InsertAddress(group, "old@example.com", "old");
        const std::string list = m_book->path() + "/list.csv";
        WriteFile(list, "\xEF\xBB\xBF"
                        "姓名,Email\r\n"
                        "张三,zs@example.com\r\n"
                        "\"Li, Si\",ls@example.com\r\n"
                        "王五,bad-address\r\n"
                        "Old,old@example.com\r\n");
        const std::string saved = m_book->path() + "/refused.csv";
        open();
        selectGroup(group);
        QTRY_COMPARE(label(), QStringLiteral("共计1个 第1/1页"));

        QString summary;
        WhenModalOpens([&](QDialog* dialog) {
            using namespace NamedImportControls;
            QCOMPARE(child<QComboBox>(dialog, kGroup)->currentText(), QStringLiteral("clients"));
            m_prompts->files.push_back(list);
            QTest::mouseClick(child<QPushButton>(dialog, kBrowse), Qt::LeftButton);
            const QString detected = child<QLabel>(dialog, kDetected)->text();
            QVERIFY2(detected.startsWith(QStringLiteral("UTF-8")) && detected.contains(QStringLiteral("逗号分隔")) &&
                         detected.contains(QStringLiteral("有标题行")) &&
                         detected.contains(QStringLiteral("Email在第2列")) &&
                         detected.contains(QStringLiteral("姓名在第1列")),
                     qPrintable(detected));
            QVERIFY(child<QCheckBox>(dialog, kHeader)->isChecked());
            QCOMPARE(child<QComboBox>(dialog, kNameColumn)->currentIndex(), 1);
            auto* preview = child<QTableWidget>(dialog, kPreview);
            QCOMPARE(preview->rowCount(), 4);
            QCOMPARE(preview->item(0, 0)->text(), QStringLiteral("张三"));
            QCOMPARE(preview->item(1, 0)->text(), QStringLiteral("Li, Si"));
            QCOMPARE(preview->item(1, 1)->text(), QStringLiteral("ls@example.com"));

            whenDialogNamedOpens(kSummary, [&](QDialog* shown) {
                summary = child<QLabel>(shown, kSummaryText)->text();
                m_prompts->files.push_back(saved);
                QTest::mouseClick(child<QPushButton>(shown, kSaveRejected), Qt::LeftButton);
                shown->accept();
            });
            QTest::mouseClick(child<QPushButton>(dialog, kImport), Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
        });
        m_window->findChild<QAction*>(ListMenuActions::kImportNamed)->trigger();

        QVERIFY2(summary.contains(QStringLiteral("新增：2")) && summary.contains(QStringLiteral("组中已有：1")) &&
                     summary.contains(QStringLiteral("无效：1")),
                 qPrintable(summary));
        QCOMPARE(ReadFile(saved), std::string("\xEF\xBB\xBF"
                                              "行号,原因,原行\r\n"
                                              "4,\"Email地址无效\",\"王五,bad-address\"\r\n"));
        std::map<std::string, std::string> stored;
        for (const AddressRecord& address : m_book->addresses(group))
            stored[address.email] = address.name;
        QCOMPARE(stored, (std::map<std::string, std::string>{{"old@example.com", "old"},
                                                             {"zs@example.com", "\xD5\xC5\xC8\xFD"},
                                                             {"ls@example.com", "Li, Si"}}));
        QTRY_COMPARE(label(), QStringLiteral("共计3个 第1/1页")); // the window read the group again
    }

    void aWholeGroupIsExportedAsCsv() {
        const std::int32_t group = m_book->addGroup("clients");
        m_book->store().InsertAddress(group, "zs@example.com", "\xD5\xC5\xC8\xFD");
        m_book->store().InsertAddress(group, "ls@example.com", "Li, Si");
        const std::string path = m_book->path() + "/clients.csv";
        open();
        select(0);
        QTRY_COMPARE(label(), QStringLiteral("共计2个 第1/1页"));

        WhenModalOpens([&](QDialog* dialog) {
            using namespace GroupExportControls;
            QCOMPARE(child<QComboBox>(dialog, kGroup)->currentText(), QStringLiteral("clients"));
            QVERIFY(child<QRadioButton>(dialog, kCsv)->isChecked());
            QCOMPARE(child<QComboBox>(dialog, kEncoding)->currentIndex(), 1); // UTF-8
            m_prompts->files.push_back(path);
            QTest::mouseClick(child<QPushButton>(dialog, kBrowse), Qt::LeftButton);
            QCOMPARE(m_prompts->choosers.back().kind, FileChooser::Kind::Save);
            QTest::mouseClick(child<QPushButton>(dialog, kExport), Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
        });
        m_window->findChild<QAction*>(ListMenuActions::kExportGroup)->trigger();

        QCOMPARE(m_prompts->takeTexts().join('|'),
                 QStringLiteral("已导出 2 个地址到 %1。").arg(QString::fromStdString(path)));
        QCOMPARE(ReadFile(path), std::string("\xEF\xBB\xBF"
                                             "email,name\r\n"
                                             "zs@example.com,\xE5\xBC\xA0\xE4\xB8\x89\r\n"
                                             "ls@example.com,\"Li, Si\"\r\n"));
    }
};

QTEST_MAIN(NamedImportTest)
#include "NamedImportTest.moc"
