// Tested by tests/cli/CliTest.cpp.
#include "cli/CommandLine.h"

CommandLine::CommandLine(const std::vector<std::string>& words, const Grammar& grammar) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word == "-" || word.rfind("--", 0) != 0) {
            m_positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        if (grammar.flags.count(name) != 0 && equals == std::string::npos) {
            m_flags.insert(name);
        } else if (grammar.options.count(name) != 0) {
            if (equals != std::string::npos) {
                m_options[name] = word.substr(equals + 1);
            } else if (i + 1 < words.size()) {
                m_options[name] = words[++i];
            } else {
                throw UsageError(name + " needs a value");
            }
        } else {
            throw UsageError("unknown option " + name);
        }
    }
    if (m_positional.size() < grammar.minPositional) throw UsageError("missing arguments");
    if (m_positional.size() > grammar.maxPositional) throw UsageError("too many arguments: " + m_positional.back());
}

std::optional<std::string> CommandLine::option(const std::string& name) const {
    const auto found = m_options.find(name);
    if (found == m_options.end()) return std::nullopt;
    return found->second;
}
