// Tested by tests/gui/SharedBookTest.cpp.
#include "ui/PlainFileIconProvider.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

QIcon PlainFileIconProvider::icon(IconType type) const {
    QStyle* style = QApplication::style();
    switch (type) {
    case Computer:
        return style->standardIcon(QStyle::SP_ComputerIcon);
    case Desktop:
        return style->standardIcon(QStyle::SP_DesktopIcon);
    case Trashcan:
        return style->standardIcon(QStyle::SP_TrashIcon);
    case Network:
        return style->standardIcon(QStyle::SP_DriveNetIcon);
    case Drive:
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    case Folder:
        return style->standardIcon(QStyle::SP_DirIcon);
    case File:
        break;
    }
    return style->standardIcon(QStyle::SP_FileIcon);
}

QIcon PlainFileIconProvider::icon(const QFileInfo& info) const {
    // isDir() and isRoot() only ask the file system about the entry (stat); nothing is opened.
    if (info.isRoot()) return icon(Drive);
    return icon(info.isDir() ? Folder : File);
}

QString PlainFileIconProvider::type(const QFileInfo& info) const {
    if (info.isDir()) return QStringLiteral("文件夹");
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("文件") : QStringLiteral("%1 文件").arg(suffix.toUpper());
}
