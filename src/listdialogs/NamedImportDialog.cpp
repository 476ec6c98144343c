#include "listdialogs/NamedImportDialog.h"

#include "ui/UserPrompts.h"

void openNamedImport(QWidget* parent, AddressStore&, ListToolsHost&) {
    messageBox(QStringLiteral("这个命令还没有完成。"), parent);
}
