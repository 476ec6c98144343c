// Tested by tests/gui/ListMenuTest.cpp.
#include "listdialogs/ListMenu.h"

#include <functional>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "listdialogs/CaseDuplicatesDialog.h"
#include "listdialogs/FindDialog.h"
#include "listdialogs/GroupArithmeticDialog.h"
#include "listdialogs/GroupExportDialog.h"
#include "listdialogs/NamedImportDialog.h"
#include "listdialogs/RemoveListedDialog.h"

void addListMenu(QMenuBar& bar, QWidget& window, AddressStore& store, ListToolsHost& host) {
    auto* menu = new QMenu(QStringLiteral("名单(&L)"), &bar);
    using Open = void (*)(QWidget*, AddressStore&, ListToolsHost&);
    const struct {
        const char* name;
        const char* text;
        Open open;
    } commands[] = {
        {ListMenuActions::kExportGroup, "导出整组(&E)…", openGroupExport},
        {ListMenuActions::kImportNamed, "导入名单(&I)…", openNamedImport},
        {ListMenuActions::kFind, "查找(&F)…", openFind},
        {ListMenuActions::kRemoveListed, "按文件删除(&R)…", openRemoveListed},
        {ListMenuActions::kGroupArithmetic, "组运算(&G)…", openGroupArithmetic},
        {ListMenuActions::kCaseDuplicates, "大小写重复(&C)…", openCaseDuplicates},
    };
    for (const auto& command : commands) {
        QAction* action = menu->addAction(QString::fromUtf8(command.text));
        action->setObjectName(QLatin1String(command.name));
        QObject::connect(action, &QAction::triggered, &window,
                         [&window, &store, &host, open = command.open] { open(&window, store, host); });
    }
    const QList<QAction*> menus = bar.actions();
    bar.insertMenu(menus.isEmpty() ? nullptr : menus.back(), menu);
}
