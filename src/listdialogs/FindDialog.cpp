#include "listdialogs/FindDialog.h"

#include "ui/UserPrompts.h"

void openFind(QWidget* parent, AddressStore&, ListToolsHost&) {
    messageBox(QStringLiteral("这个命令还没有完成。"), parent);
}
