// Cuts a text into pieces at a separator, the way the update server's files are cut into records.
#pragma once

#include <string>
#include <vector>

// Appends to `pieces` the parts of `text` between occurrences of `separator`, dropping empty parts; the separator
// is only found where a character starts (code page 936), never inside a double-byte character.
// `limit` 0 consumes every separator; `limit` N >= 2 consumes at most N - 1, the remainder (separators and all)
// being the last piece; `limit` 1 appends the whole text, even an empty one. An empty separator is never found.
void SplitText(const std::string& text, const std::string& separator, std::vector<std::string>& pieces, int limit);
