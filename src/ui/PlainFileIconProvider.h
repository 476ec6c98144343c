// Icons and type names for the file choosers, told from a file's kind and name alone, never from its content.
#pragma once

#include <QAbstractFileIconProvider>

// Qt's own provider reads a file's first bytes to tell its type. Reading the book's file that way opens and closes
// it in this process, and a process loses every POSIX lock it holds on a file as soon as it closes any descriptor of
// that file: SQLite's locks on the book would be gone, and another program on the book would checkpoint and delete
// its write-ahead log under the running window. So a chooser shows folders and files by name only.
class PlainFileIconProvider final : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};
