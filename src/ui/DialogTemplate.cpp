// Reading dialog templates. Tested by tests/gui/BuilderTest.cpp.
#include "ui/DialogTemplate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::optional<ControlKind> kindNamed(const QString& name) {
    if (name == QLatin1String("static")) return ControlKind::Static;
    if (name == QLatin1String("button")) return ControlKind::Button;
    if (name == QLatin1String("edit")) return ControlKind::Edit;
    if (name == QLatin1String("listview")) return ControlKind::ListView;
    if (name == QLatin1String("dropdownlist")) return ControlKind::DropDownList;
    if (name == QLatin1String("groupbox")) return ControlKind::GroupBox;
    if (name == QLatin1String("icon")) return ControlKind::Icon;
    return std::nullopt;
}

std::optional<QRect> rectFrom(const QJsonValue& value) {
    const QJsonArray numbers = value.toArray();
    if (numbers.size() != 4) return std::nullopt;
    for (const QJsonValue& number : numbers)
        if (!number.isDouble()) return std::nullopt;
    return QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt());
}

QStringList stringsFrom(const QJsonValue& value) {
    QStringList strings;
    for (const QJsonValue& item : value.toArray())
        strings << item.toString();
    return strings;
}

} // namespace

std::optional<DialogTemplate> parseDialogTemplate(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject root = document.object();

    DialogTemplate dialog;
    dialog.id = root.value(QLatin1String("id")).toInt();
    dialog.caption = root.value(QLatin1String("caption")).toString();
    const QJsonArray size = root.value(QLatin1String("size")).toArray();
    if (size.size() != 2) return std::nullopt;
    dialog.size = QSize(size[0].toInt(), size[1].toInt());
    const QJsonObject font = root.value(QLatin1String("font")).toObject();
    dialog.fontFace = font.value(QLatin1String("face")).toString();
    dialog.fontPoints = font.value(QLatin1String("points")).toInt(9);
    dialog.styles = stringsFrom(root.value(QLatin1String("styles")));
    dialog.menuId = root.value(QLatin1String("menu")).toInt(0);

    for (const QJsonValue& value : root.value(QLatin1String("controls")).toArray()) {
        const QJsonObject object = value.toObject();
        ControlTemplate control;
        control.id = object.value(QLatin1String("id")).toInt(-1);
        const std::optional<ControlKind> kind = kindNamed(object.value(QLatin1String("kind")).toString());
        const std::optional<QRect> rect = rectFrom(object.value(QLatin1String("rect")));
        if (!kind || !rect) return std::nullopt;
        control.kind = *kind;
        control.rect = *rect;
        control.text = object.value(QLatin1String("text")).toString();
        control.styles = stringsFrom(object.value(QLatin1String("styles")));
        control.name = object.value(QLatin1String("name")).toString();
        dialog.controls.push_back(std::move(control));
    }
    return dialog;
}

std::optional<DialogTemplate> loadDialogTemplate(int id) {
    QFile file(QStringLiteral(":/dialogs/%1.json").arg(id));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return parseDialogTemplate(file.readAll());
}
