#include "app/CCorvaneApp.h"

#include <QApplication>
#include <QFile>

#include "app/CCorvaneDlg.h"
#include "platform/StartDirectory.h"
#include "store/AddressBook.h"
#include "ui/ChineseTranslation.h"

namespace {

// The optional skin: a Qt style sheet at a fixed place relative to the current directory. Whatever goes wrong
// with it, the program runs as without it.
void InitializeSkin(const char* path) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    const QByteArray sheet = file.read(4 * 1024 * 1024);
    qApp->setStyleSheet(QString::fromUtf8(sheet));
}

} // namespace

bool CCorvaneApp::InitInstance() {
    // Registered so that settings would have a home; nothing is stored.
    QCoreApplication::setOrganizationName(QStringLiteral("TalvexCorvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    // Desktops match the window to its menu entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.corvane.Corvane"));
    InitializeSkin("Skin/Minimized.ssk");
    // The interface is Chinese: so are the buttons and choosers that Qt draws itself.
    installChineseTranslation(*QCoreApplication::instance());
    captureStartDirectory();

    // The one book of the program, handed to the window and from there to its dialogs and workers.
    CCorvaneDlg dialog(AddressBook::program());
    dialog.DoModal();
    return false;
}
