#include "ui/ControlText.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>

#include "ui/Cp936Text.h"
#include "ui/UserPrompts.h"

namespace {

// Dynamic properties that remember what was pushed: the bytes, and the text they showed as.
constexpr char kPushedBytes[] = "corvanePushedBytes";
constexpr char kPushedText[] = "corvanePushedText";

QString displayedText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(control)) return box->title();
    return {};
}

} // namespace

void setControlText(QWidget* control, const std::string& bytes) {
    const QString text = fromCp936(bytes);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        // Setting an edit's text moves the cursor; leave an edit alone when nothing changes.
        if (edit->text() != text) edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(control)) {
        box->setTitle(text);
    } else {
        return;
    }
    control->setProperty(kPushedBytes, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    control->setProperty(kPushedText, text);
}

std::optional<std::string> getControlText(const QWidget* control) {
    const QString text = displayedText(control);
    const QVariant pushedText = control->property(kPushedText);
    if (pushedText.isValid() && pushedText.toString() == text) {
        const QByteArray bytes = control->property(kPushedBytes).toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return toCp936(text);
}

bool pullControlText(const QWidget* control, std::string& field, QWidget* dialog) {
    std::optional<std::string> bytes = getControlText(control);
    if (!bytes) {
        messageBox(QStringLiteral("输入的文字中含有无法保存的字符（简体中文 GBK 编码之外的字符），请修改后再试。"),
                   dialog);
        const_cast<QWidget*>(control)->setFocus();
        return false;
    }
    field = std::move(*bytes);
    return true;
}
