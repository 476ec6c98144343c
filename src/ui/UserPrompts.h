// Everything that asks the user something outside the program's own windows (message boxes; file choosers and
// browser launches as they come) goes through one small interface, so that tests can answer in place of a person.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QString>

class QWidget;

enum class PromptIcon { Warning, Question, Information, Error };
enum class PromptButtons { Ok, YesNo };
enum class PromptAnswer { Ok, Yes, No };

// A file chooser: for a file to read or one to write (which may not exist yet). It never asks whether to replace a
// file; the program asks that itself where it matters.
struct FileChooser {
    enum class Kind { Open, Save };
    Kind kind = Kind::Save;
    QString filter;        // e.g. "Text Files (*.txt);;All Files (*)"
    std::string folder;    // where it starts (a native path); empty: wherever the toolkit likes
    QString initialName;   // the name offered
    QString defaultSuffix; // appended to a name typed without one ("txt")
};

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // A message box over `parent` (null: over no window), with `caption` as its title.
    virtual PromptAnswer showMessage(QWidget* parent, const QString& text, const QString& caption, PromptIcon icon,
                                     PromptButtons buttons) = 0;

    // Opens `address` (bytes, passed on unchanged) in the user's browser without waiting for it; whether a browser
    // could be started.
    virtual bool openInBrowser(const std::string& address) = 0;

    // The path chosen, as native bytes, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseFile(QWidget* parent, const FileChooser& chooser) = 0;
};

// The real file chooser, as the real prompts show it: Qt's own dialog (not the desktop's, which would read the files
// of the folder it shows in this process), with icons and types told from names alone (see PlainFileIconProvider).
// A chooser without a folder of its own starts in the folder of the file chosen last, else in the home folder.
std::optional<std::string> showFileChooser(QWidget* parent, const FileChooser& chooser);

// The prompts in use: the real dialogs, unless a test has installed others.
UserPrompts& prompts();
// Installs `prompts` in place of the real ones; null puts the real ones back. Returns the previous ones.
std::unique_ptr<UserPrompts> installPrompts(std::unique_ptr<UserPrompts> prompts);

// The application's name, the caption of a message box that names no other.
QString applicationCaption();

// An OK box with the exclamation icon and the application's name as caption: how the program reports.
void messageBox(const QString& text, QWidget* parent = nullptr);
// A Yes/No question with the question icon; true for Yes.
bool askYesNo(const QString& text, const QString& caption, QWidget* parent = nullptr);

// A native path as the window shows it, and back.
QString pathForDisplay(const std::string& path);
