// The e-mail address check that decides which lines of an imported file are addresses.
#pragma once

#include <string_view>

class CPatternT;

// The process-wide compiled e-mail pattern, built during static initialisation.
extern const CPatternT EmailAddressPattern;

// True when the whole text is an e-mail address: a local part of ASCII letters, digits, '-', '.' and '_'
// that begins and ends with a letter or digit; '@'; one or more domain labels of letters, digits, '-' and
// '_' that begin and end with a letter or digit, each followed by '.'; and a final label of 2 to 9 ASCII
// letters. Nothing is trimmed and no case is changed. Safe to call from any thread.
bool IsValidEmailAddress(std::string_view text);
