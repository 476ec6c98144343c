// The name entry dialog: asks for one line of text, the name of a new group or a group's new name, and hands it
// back exactly as typed.
#pragma once

#include <string>

#include "ui/TemplateDialog.h"

class CDlgNewString final : public TemplateDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDlgNewString)

public:
    static constexpr int kModeRename = 1;
    static constexpr int kModeNewGroup = 2;

    CDlgNewString();

    void SetMode(int mode) { m_nMode = mode; }

    int m_nMode = 0;
    std::string m_strText; // read by the caller after IDOK

protected:
    void OnInitDialog() override;
    void OnOK() override;
};
