// Menus and strings from the program's resources.
#pragma once

#include <QString>

class QMenuBar;
class QWidget;

// Builds menu `id` (":/menus/<id>.json") as a menu bar of `parent`. Each item is an action whose object name is
// its command id; an empty menu bar when the menu is missing.
QMenuBar* buildMenuBar(int id, QWidget* parent);

// String `id` of the string table (":/strings.json"); empty when there is none.
QString LoadString(int id);
