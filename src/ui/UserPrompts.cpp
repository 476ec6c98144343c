#include "ui/UserPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "platform/BrowserLaunch.h"
#include "ui/PlainFileIconProvider.h"

namespace {

class RealPrompts final : public UserPrompts {
public:
    PromptAnswer showMessage(QWidget* parent, const QString& text, const QString& caption, PromptIcon icon,
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

    bool openInBrowser(const std::string& address) override { return launchBrowser(address); }

    std::optional<std::string> chooseFile(QWidget* parent, const FileChooser& chooser) override {
        return showFileChooser(parent, chooser);
    }
};

std::unique_ptr<UserPrompts>& installed() {
    static std::unique_ptr<UserPrompts> prompts = std::make_unique<RealPrompts>();
    return prompts;
}

// Where the next chooser without a folder of its own starts.
QString& lastFolder() {
    static QString folder;
    return folder;
}

} // namespace

std::optional<std::string> showFileChooser(QWidget* parent, const FileChooser& chooser) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    PlainFileIconProvider icons;
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(chooser.kind == FileChooser::Kind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Any name may be chosen, also one that does not exist: the program decides what to do with it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(chooser.filter);
    if (!chooser.folder.empty())
        dialog.setDirectory(pathForDisplay(chooser.folder));
    else
        dialog.setDirectory(lastFolder().isEmpty() ? QDir::homePath() : lastFolder());
    if (!chooser.initialName.isEmpty()) dialog.selectFile(chooser.initialName);
    if (!chooser.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(chooser.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    lastFolder() = QFileInfo(chosen).absolutePath();
    const QByteArray path = QFile::encodeName(chosen);
    return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

UserPrompts& prompts() {
    return *installed();
}

std::unique_ptr<UserPrompts> installPrompts(std::unique_ptr<UserPrompts> prompts) {
    if (!prompts) prompts = std::make_unique<RealPrompts>();
    std::swap(prompts, installed());
    return prompts;
}

QString applicationCaption() {
    return QStringLiteral("Corvane");
}

void messageBox(const QString& text, QWidget* parent) {
    prompts().showMessage(parent, text, applicationCaption(), PromptIcon::Warning, PromptButtons::Ok);
}

bool askYesNo(const QString& text, const QString& caption, QWidget* parent) {
    return prompts().showMessage(parent, text, caption, PromptIcon::Question, PromptButtons::YesNo) ==
           PromptAnswer::Yes;
}

QString pathForDisplay(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}
