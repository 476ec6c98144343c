// Turns a dialog template into widgets: every control at its place in pixels, its object name its numeric id, and
// an accessible name for each (its own text, or for an edit or list the label or frame beside it).
#pragma once

#include <functional>
#include <map>

class QWidget;
struct ControlTemplate;
struct DialogTemplate;
class DialogUnits;

// Makes the widget for one control in place of the standard one (a dialog that needs a special control).
using ControlFactory = std::function<QWidget*(const ControlTemplate& control, QWidget* parent)>;

// Creates the controls of `dialogTemplate` as children of `client`, in template order (the tab order), and
// returns nothing: find them by id with findChild<...>(QString::number(id)).
void buildControls(const DialogTemplate& dialogTemplate, QWidget* client, const DialogUnits& units,
                   const std::map<int, ControlFactory>& factories = {});
