#include "dialogs/CHyperlink.h"

#include "ui/UserPrompts.h"

bool CHyperlink::Navigate() {
    if (m_strUrl.empty()) return false;
    return prompts().openInBrowser(m_strUrl);
}
