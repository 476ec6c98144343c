// Tested by tests/gui/SearchPanelTest.cpp.
#include "dialogs/CAboutDlg.h"

#include "Config.h"
#include "dialogs/CStaticLink.h"
#include "ui/ControlText.h"

namespace {

constexpr int kTemplateId = 100;
constexpr int kVersion = 1022;
constexpr int kHomeLink = 1023;

} // namespace

CAboutDlg::CAboutDlg() : TemplateDialog(kTemplateId, StaticLinks({kHomeLink})) {
    m_linkHome = GetDlgItem<CStaticLink>(kHomeLink);
}

void CAboutDlg::OnInitDialog() {
    m_strVersion = "Version 2.1.0 Build 22357";
    m_linkHome->m_link = kHomePage;
    // The link shows the address it opens, whatever the build's home page is.
    SetControlText(m_linkHome, kHomePage);
    SetControlText(GetDlgItem(kVersion), m_strVersion);
}
