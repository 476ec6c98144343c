#include "ui/UserPrompts.h"

#include <QMessageBox>

#include "platform/BrowserLaunch.h"

namespace {

class RealPrompts final : public UserPrompts {
public:
    PromptAnswer ShowMessage(QWidget* parent, const QString& text, const QString& caption, PromptIcon icon,
                             PromptButtons buttons) override {
        QMessageBox box(parent);
        box.setWindowTitle(caption);
        box.setText(text);
        // Texts come from the book and the driver as well as from the program; never read them as markup.
        box.setTextFormat(Qt::PlainText);
        switch (icon) {
        case PromptIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case PromptIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case PromptIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case PromptIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        if (buttons == PromptButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return PromptAnswer::Ok;
    }

    bool OpenInBrowser(const std::string& address) override { return LaunchBrowser(address); }
};

std::unique_ptr<UserPrompts>& installed() {
    static std::unique_ptr<UserPrompts> prompts = std::make_unique<RealPrompts>();
    return prompts;
}

} // namespace

UserPrompts& Prompts() {
    return *installed();
}

std::unique_ptr<UserPrompts> InstallPrompts(std::unique_ptr<UserPrompts> prompts) {
    if (!prompts) prompts = std::make_unique<RealPrompts>();
    std::swap(prompts, installed());
    return prompts;
}

QString ApplicationCaption() {
    return QStringLiteral("Corvane");
}

void MessageBox(const QString& text, QWidget* parent) {
    Prompts().ShowMessage(parent, text, ApplicationCaption(), PromptIcon::Warning, PromptButtons::Ok);
}

bool AskYesNo(const QString& text, const QString& caption, QWidget* parent) {
    return Prompts().ShowMessage(parent, text, caption, PromptIcon::Question, PromptButtons::YesNo) ==
           PromptAnswer::Yes;
}
