// The About box: the program's name, version and home page.
#pragma once

#include <string>

#include "ui/TemplateDialog.h"

class CStaticLink;

class CAboutDlg final : public TemplateDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAboutDlg)

public:
    CAboutDlg();

    std::string m_strVersion;
    CStaticLink* m_linkHome;

protected:
    void OnInitDialog() override;
};
