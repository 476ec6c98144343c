// Which addresses the program hands to a browser when they come from outside (the sponsor links of the update
// server): plain web pages only.
#pragma once

#include <string_view>

// True for an http or https address with something after the scheme and no control character. A local path, a
// file: or any other scheme, or a text a browser could take for a command-line option is not a web address.
bool isWebAddress(std::string_view address);
