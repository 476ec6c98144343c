#include "store/SplitText.h"

#include "platform/CodePage936.h"

void SplitText(const std::string& text, const std::string& separator, std::vector<std::string>& pieces, int limit) {
    if (limit == 1) {
        pieces.push_back(text);
        return;
    }
    std::size_t position = 0;
    int count = 0;
    for (;;) {
        const std::size_t found = findCp936(text, separator, position);
        if (found == std::string::npos) break;
        if (found > position) pieces.push_back(text.substr(position, found - position));
        position = found + separator.size();
        if (limit != 0) {
            ++count;
            if (count + 1 == limit) break;
        }
    }
    if (position < text.size()) pieces.push_back(text.substr(position));
}
