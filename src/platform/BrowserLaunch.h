// Opening a web page in the user's browser: the program named by the BROWSER variable when it is set, as desktop
// users expect, else xdg-open. The browser runs on its own; nobody waits for it.
#pragma once

#include <string>
#include <vector>

// Starts the browser on `address`, passed to it as one argument, byte for byte. Returns whether a browser program
// could be started (not whether it then found the page).
bool launchBrowser(const std::string& address);

// The command lines launchBrowser tries, in order, for `address` under the value of BROWSER (null: unset): each
// entry of BROWSER's colon-separated list split at blanks, "%s" standing for the address (appended as the last
// argument when no "%s" is given), then xdg-open.
std::vector<std::vector<std::string>> browserCommands(const std::string& address, const char* browserVariable);
