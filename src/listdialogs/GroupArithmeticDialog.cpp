#include "listdialogs/GroupArithmeticDialog.h"

#include "ui/UserPrompts.h"

void openGroupArithmetic(QWidget* parent, AddressStore&, ListToolsHost&) {
    messageBox(QStringLiteral("这个命令还没有完成。"), parent);
}
