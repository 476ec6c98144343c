// The subcommands of corvane-cli. Each takes the words after its name and returns the exit status; each throws
// UsageError for arguments it does not understand and DatabaseError when the book fails it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CliContext;
class CommandLine;

using Words = std::vector<std::string>;

int runGroups(CliContext& context, const Words& words);
int runGroup(CliContext& context, const Words& words); // add, rename, delete
int runImport(CliContext& context, const Words& words);
// import --names: a list with names (from runImport, which has read its command line).
int runNamedImport(CliContext& context, const CommandLine& line);
int runExport(CliContext& context, const Words& words);
int runFilter(CliContext& context, const Words& words);
int runFind(CliContext& context, const Words& words);
int runRemove(CliContext& context, const Words& words);
// union, intersect or minus (`command`).
int runCombine(CliContext& context, const std::string& command, const Words& words);
int runMerge(CliContext& context, const Words& words);
// Needs no book.
int runCheck(std::ostream& out, bool json, const Words& words);
