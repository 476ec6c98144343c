// Tested by tests/gui/SearchPanelTest.cpp.
#include "dialogs/CAboutDlg.h"

#include <QLabel>

#include "Config.h"
#include "dialogs/CStaticLink.h"
#include "dialogs/DialogIds.h"
#include "ui/ControlText.h"

CAboutDlg::CAboutDlg() : TemplateDialog(AboutIds::kTemplate, staticLinks({AboutIds::kHomeLink})) {
    m_linkHome = GetDlgItem<CStaticLink>(AboutIds::kHomeLink);
}

void CAboutDlg::OnInitDialog() {
    m_strVersion = "Version 2.1.0 Build 22357";
    m_linkHome->m_link = kHomePage;
    // The link shows the address it opens, whatever the build's home page is.
    setControlText(m_linkHome, kHomePage);
    setControlText(GetDlgItem(AboutIds::kVersion), m_strVersion);
    if (auto* book = GetDlgItem<QLabel>(AboutIds::kBook)) {
        book->setText(m_strBook.isEmpty() ? QString() : QStringLiteral("地址簿：%1").arg(m_strBook));
        book->setToolTip(m_strBook);
    }
}
