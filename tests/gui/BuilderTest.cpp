// Templates as data, the dialog-unit arithmetic, the accessible names the builder gives, and the one place where
// text changes encoding.
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "ui/ChineseTranslation.h"
#include "ui/ControlText.h"
#include "app/MainWindowIds.h"
#include "dialogs/DialogIds.h"
#include "ui/Cp936Text.h"
#include "ui/DialogTemplate.h"
#include "ui/DialogUnits.h"
#include "ui/MenuTemplate.h"
#include "ui/ReportList.h"
#include "ui/TemplateDialog.h"

class BuilderTest : public QObject {
    Q_OBJECT

private slots:
    void everyTemplateOfTheProgramParses() {
        for (int id : {102, 130, 131}) {
            const std::optional<DialogTemplate> dialog = loadDialogTemplate(id);
            QVERIFY2(dialog, qPrintable(QString::number(id)));
            QCOMPARE(dialog->id, id);
            QVERIFY(!dialog->controls.empty());
        }
        QVERIFY(!loadDialogTemplate(9999));
        // Malformed data is refused as a whole, never half built.
        QVERIFY(!parseDialogTemplate("{"));
        QVERIFY(!parseDialogTemplate(R"({"size":[10,10],"controls":[{"kind":"dial","rect":[0,0,1,1]}]})"));
        QVERIFY(!parseDialogTemplate(R"({"size":[10,10],"controls":[{"kind":"edit","rect":[0,0,1]}]})"));
        QCOMPARE(LoadString(101), QStringLiteral("关于 Corvane(&A)..."));
        QCOMPARE(LoadString(7), QString());
    }

    void dialogUnitsScaleWithRounding() {
        const DialogUnits units(7, 15); // a font 7 pixels wide on average and 15 tall
        QCOMPARE(units.toPixels(QRect(4, 8, 365, 315)), QRect(7, 15, 639, 591));
        QCOMPARE(units.toPixelsX(2), 4);   // 3.5 rounds up
        QCOMPARE(units.toPixelsY(-4), -8); // -7.5 rounds away from zero
        // The units follow the font: a bigger font makes a bigger dialog.
        const DialogUnits small(templateFont(QStringLiteral("MS Shell Dlg"), 8));
        const DialogUnits large(templateFont(QStringLiteral("MS Shell Dlg"), 16));
        QVERIFY(large.baseWidth() > small.baseWidth());
        QVERIFY(large.baseHeight() > small.baseHeight());
    }

    void controlsHaveTheirIdsPlacesAndNames() {
        TemplateDialog dialog(131);
        const DialogUnits& units = dialog.Units();
        auto* email = dialog.GetDlgItem<QLineEdit>(AddressEditorIds::kEmail);
        QVERIFY(email);
        QCOMPARE(email->geometry(), units.toPixels(QRect(36, 8, 119, 13)));
        QCOMPARE(dialog.GetDlgItem<QPushButton>(1)->text(), QStringLiteral("OK"));
        QVERIFY(dialog.GetDlgItem<QPushButton>(1)->isDefault());
        QVERIFY(dialog.GetDlgItem<QComboBox>(AddressEditorIds::kGroupList));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));

        // Edits are named by the label beside them, a list by the frame around it, the rest by their own text.
        QCOMPARE(email->accessibleName(), QStringLiteral("Email"));
        QCOMPARE(dialog.GetDlgItem(AddressEditorIds::kName)->accessibleName(), QStringLiteral("姓名"));
        TemplateDialog main(102);
        QCOMPARE(main.GetDlgItem(MainWindowIds::kGroupList)->accessibleName(), QStringLiteral("邮件组"));
        QCOMPARE(main.GetDlgItem(MainWindowIds::kAddressList)->accessibleName(), QStringLiteral("邮件地址"));
        for (QWidget* control : main.findChildren<QWidget*>()) {
            bool isId = false;
            control->objectName().toInt(&isId);
            if (!isId) continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
        }
        // The menu's commands are actions named by their ids.
        QMenuBar* bar = main.GetMenuBar();
        QVERIFY(bar);
        QCOMPARE(bar->actions().size(), 3);
        for (int command :
             {MainWindowIds::kExitCommand, MainWindowIds::kMassMailingCommand, MainWindowIds::kEmailSearchCommand,
              MainWindowIds::kAboutCommand, MainWindowIds::kHomePageCommand})
            QVERIFY(bar->findChild<QAction*>(QString::number(command)));
    }

    void qtsOwnTextsSpeakChinese() {
        // The buttons Qt draws itself follow the interface's language, whatever the desktop's.
        QVERIFY2(installChineseTranslation(*QCoreApplication::instance()), "qt6-translations-l10n is not installed");
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
        QVERIFY2(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("是")),
                 qPrintable(box.button(QMessageBox::Yes)->text()));
        QVERIFY2(box.button(QMessageBox::No)->text().contains(QStringLiteral("否")),
                 qPrintable(box.button(QMessageBox::No)->text()));
        QVERIFY2(box.button(QMessageBox::Cancel)->text().contains(QStringLiteral("取消")),
                 qPrintable(box.button(QMessageBox::Cancel)->text()));
    }

    void textCrossesTheWidgetBoundaryUnchanged() {
        // GBK text round-trips; what CP936 cannot hold is refused, not damaged.
        const std::string gbk = "\xC5\xF3\xD3\xD1 a@b"; // 朋友
        QCOMPARE(fromCp936(gbk), QStringLiteral("朋友 a@b"));
        QCOMPARE(toCp936(QStringLiteral("朋友 a@b")).value(), gbk);
        QVERIFY(!toCp936(QStringLiteral("한국")));
        QVERIFY(!toCp936(QString::fromUtf8("\xF0\x9F\x98\x80")));
        QCOMPARE(toCp936(QString()).value(), std::string());
        // Bytes that are not CP936 show as marks, and the rest of the text still shows.
        QCOMPARE(fromCp936(std::string("a\x81", 2)), QStringLiteral("a\uFFFD"));
        QCOMPARE(fromCp936(std::string("a\0b", 3)), QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")));

        // An edit left as it was gives back the very bytes pushed into it, even bytes that are not CP936.
        QLineEdit edit;
        const std::string broken("x\x81y\xFF", 4);
        setControlText(&edit, broken);
        QCOMPARE(getControlText(&edit).value(), broken);
        edit.setText(edit.text() + QStringLiteral("z"));
        QVERIFY(!getControlText(&edit)); // now it holds marks that cannot be stored
        edit.setText(QStringLiteral("朋友"));
        QCOMPARE(getControlText(&edit).value(), std::string("\xC5\xF3\xD3\xD1"));

        // A label shows names as plain text, never as markup.
        TemplateDialog main(102);
        auto* caption = main.GetDlgItem<QLabel>(MainWindowIds::kGroupCaption);
        setControlText(caption, "<b>x</b>");
        QCOMPARE(caption->textFormat(), Qt::PlainText);
        QCOMPARE(caption->text(), QStringLiteral("<b>x</b>"));
    }

    void reportListKeepsBytesAndDataPerRow() {
        ReportList list;
        QCOMPARE(list.columnCount(), 0);
        list.InsertColumn(0, QStringLiteral("Email"), 140);
        list.InsertColumn(1, QStringLiteral("姓名"), 90);
        QCOMPARE(list.columnWidth(0), 140);
        for (int i = 0; i < 3; ++i) {
            const int row = list.InsertItem(0, "r" + std::to_string(i));
            list.SetItemData(row, 100 + i);
            list.SetItemText(row, 1, std::string("\x81", 1));
        }
        QCOMPARE(list.GetItemText(0, 0), std::string("r2"));
        QCOMPARE(list.GetItemData(2), 100);
        QCOMPARE(list.GetItemText(1, 1), std::string("\x81", 1));
        QCOMPARE(list.GetFirstSelectedRow(), -1);
        list.topLevelItem(2)->setSelected(true);
        list.topLevelItem(1)->setSelected(true);
        QCOMPARE(list.GetFirstSelectedRow(), 1);
    }
};

QTEST_MAIN(BuilderTest)
#include "BuilderTest.moc"
