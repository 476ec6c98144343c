#include "listdialogs/RemoveListedDialog.h"

#include "ui/UserPrompts.h"

void openRemoveListed(QWidget* parent, AddressStore&, ListToolsHost&) {
    messageBox(QStringLiteral("这个命令还没有完成。"), parent);
}
