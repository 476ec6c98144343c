// A dialog template read from the program's resources: the dialog's caption, size, font and styles, and each
// control's id, kind, text, place and styles, in dialog units.
#pragma once

#include <optional>
#include <vector>

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

enum class ControlKind { Static, Button, Edit, ListView, DropDownList, GroupBox, Icon };

struct ControlTemplate {
    int id = -1; // -1: a control without an id (labels and frames)
    ControlKind kind = ControlKind::Static;
    QString text; // for an icon, the resource path of its picture
    QRect rect;   // dialog units
    QStringList styles;
    QString name; // accessible name, where neither its own text nor a label beside it gives one
};

struct DialogTemplate {
    int id = 0;
    QString caption;
    QSize size; // dialog units
    QString fontFace;
    int fontPoints = 9;
    QStringList styles;
    int menuId = 0; // 0: no menu
    std::vector<ControlTemplate> controls;
};

// Dialog template `id` from the resources (":/dialogs/<id>.json"), or nothing when it is missing or malformed.
std::optional<DialogTemplate> loadDialogTemplate(int id);
// Parses one template; nothing when the text is not a well-formed template.
std::optional<DialogTemplate> parseDialogTemplate(const QByteArray& json);
