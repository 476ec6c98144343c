#include "listdialogs/CaseDuplicatesDialog.h"

#include "ui/UserPrompts.h"

void openCaseDuplicates(QWidget* parent, AddressStore&, ListToolsHost&) {
    messageBox(QStringLiteral("这个命令还没有完成。"), parent);
}
