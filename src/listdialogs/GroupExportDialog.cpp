#include "listdialogs/GroupExportDialog.h"

#include "ui/UserPrompts.h"

void openGroupExport(QWidget* parent, AddressStore&, ListToolsHost&) {
    messageBox(QStringLiteral("这个命令还没有完成。"), parent);
}
