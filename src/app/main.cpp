// Corvane: an address book for bulk mail. The program takes no command-line arguments of its own.
#include <QApplication>

#include "app/CCorvaneApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CCorvaneApp theApp;
    theApp.InitInstance();
    return 0;
}
