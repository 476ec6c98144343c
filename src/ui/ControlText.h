// Moving a text field's CP936 bytes into a control and back (the push and pull of a dialog's fields).
#pragma once

#include <optional>
#include <string>

class QWidget;

// Shows `bytes` in a label, edit, button or group box.
void setControlText(QWidget* control, const std::string& bytes);

// The text of an edit (or any control setControlText can fill) as CP936 bytes, or nothing when it holds a character
// CP936 cannot hold. A text the user left as it was pushed gives back the very bytes that were pushed, even where
// they were not valid CP936 and showed as replacement marks.
std::optional<std::string> getControlText(const QWidget* control);

// Copies the text of `control` into `field`. When the text holds a character CP936 cannot hold, `field` keeps its
// value, the user is told so in a message box over `dialog`, the control gets the focus, and the result is false.
bool pullControlText(const QWidget* control, std::string& field, QWidget* dialog);
