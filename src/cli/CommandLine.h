// The words of a corvane-cli command line: positional arguments, flags and options with a value, checked against
// what a subcommand takes.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// An argument that is not understood; its text says which and why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file of the command line that cannot be read or written; its text says which and why.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CommandLine {
public:
    // What a subcommand takes: flags ("--yes") and options with a value ("--encoding VALUE" or "--encoding=VALUE").
    struct Grammar {
        std::set<std::string> flags;
        std::set<std::string> options;
        std::size_t minPositional = 0;
        std::size_t maxPositional = 0;
    };

    // `words` are the arguments after the subcommand's name. "-" is a positional argument (standard input or
    // output); "--" ends the options. \throws UsageError
    CommandLine(const std::vector<std::string>& words, const Grammar& grammar);

    const std::vector<std::string>& positional() const { return m_positional; }
    bool has(const std::string& flag) const { return m_flags.count(flag) != 0; }
    std::optional<std::string> option(const std::string& name) const;

private:
    std::vector<std::string> m_positional;
    std::set<std::string> m_flags;
    std::map<std::string, std::string> m_options;
};
