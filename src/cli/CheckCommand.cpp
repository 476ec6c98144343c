// Tested by tests/cli/CliTest.cpp.
#include <fstream>
#include <iostream>
#include <string_view>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Output.h"
#include "textfiles/AddressLine.h"

namespace {} // namespace

int runCheck(std::ostream& out, bool json, const Words& words) {
    const CommandLine line(words, {{"--invalid"}, {}, 1, 1});
    const bool wantInvalid = line.has("--invalid");
    const std::string& path = line.positional()[0];
    std::ifstream file;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) {
            std::cerr << "corvane-cli: cannot read " << path << '\n';
            return ExitStatus::kFileError;
        }
    }
    std::istream& in = path == "-" ? std::cin : file;
    std::string text;
    for (std::int64_t number = 1; std::getline(in, text); ++number) {
        const std::string_view address = trimBlanks(text);
        const bool valid = isStorableAddress(address);
        if (valid == wantInvalid) continue;
        std::string_view shown = valid ? address : std::string_view(text);
        if (!valid && !shown.empty() && shown.back() == '\r') shown.remove_suffix(1);
        if (json)
            out << JsonObject().number("line", number).text("text", utf8OrReplaced(shown)).str() << '\n';
        else
            out << shown << '\n';
    }
    if (in.bad()) {
        std::cerr << "corvane-cli: cannot read " << path << " to its end\n";
        return ExitStatus::kFileError;
    }
    return ExitStatus::kDone;
}
