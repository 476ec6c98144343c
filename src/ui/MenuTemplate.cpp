// Tested by tests/gui/BuilderTest.cpp.
#include "ui/MenuTemplate.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMenuBar>

namespace {

QJsonObject readResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

QMenuBar* buildMenuBar(int id, QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    // The menu belongs to the window, also on desktops that would move it to a global menu bar.
    bar->setNativeMenuBar(false);
    const QJsonObject root = readResource(QStringLiteral(":/menus/%1.json").arg(id));
    for (const QJsonValue& menuValue : root.value(QLatin1String("menus")).toArray()) {
        const QJsonObject menuObject = menuValue.toObject();
        QMenu* menu = bar->addMenu(menuObject.value(QLatin1String("text")).toString());
        for (const QJsonValue& itemValue : menuObject.value(QLatin1String("items")).toArray()) {
            const QJsonObject item = itemValue.toObject();
            if (item.value(QLatin1String("separator")).toBool()) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(item.value(QLatin1String("text")).toString());
            const int command = item.value(QLatin1String("id")).toInt();
            action->setObjectName(QString::number(command));
            action->setData(command);
        }
    }
    return bar;
}

QString LoadString(int id) {
    return readResource(QStringLiteral(":/strings.json")).value(QString::number(id)).toString();
}
