// Tested by tests/cli/CliTest.cpp.
#include <fstream>
#include <iostream>
#include <string_view>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Output.h"
#include "regex/EmailAddress.h"

namespace {

constexpr std::size_t kLongestAddress = 254;

// As the import trims a line.
std::string_view trimmed(std::string_view line) {
    constexpr std::string_view kBlank = " \t\n\v\f\r";
    const std::size_t first = line.find_first_not_of(kBlank);
    if (first == std::string_view::npos) return {};
    return line.substr(first, line.find_last_not_of(kBlank) - first + 1);
}

} // namespace

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
        const std::string_view address = trimmed(text);
        const bool valid =
            !address.empty() && address.size() <= kLongestAddress && IsValidEmailAddress(std::string(address));
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
