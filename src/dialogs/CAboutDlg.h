// The About box: the program's name, version and home page, and which address book is open.
#pragma once

#include <string>

#include <QString>

#include "ui/TemplateDialog.h"

class CStaticLink;

class CAboutDlg final : public TemplateDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAboutDlg)

public:
    CAboutDlg();

    std::string m_strVersion;
    // Where the open book is: its file's path, or the data source (empty: no line).
    QString m_strBook;
    CStaticLink* m_linkHome;

protected:
    void OnInitDialog() override;
};
