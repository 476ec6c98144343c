// Tested by tests/cli/CliTest.cpp.
#include "cli/HelpTexts.h"

#include <map>

namespace {

const std::map<std::string, std::string>& usages() {
    static const std::map<std::string, std::string> texts{
        {"groups", "usage: corvane-cli groups [--names]\n"
                   "Lists the groups: id, name and number of addresses; with --names only the names, one a line.\n"},
        {"group", "usage: corvane-cli group add NAME\n"
                  "       corvane-cli group rename ID|NAME NEW\n"
                  "       corvane-cli group delete ID|NAME [--yes]\n"
                  "Adds, renames or deletes a group. A group that holds addresses is deleted with them, and only\n"
                  "with --yes.\n"},
        {"import", "usage: corvane-cli import GROUP FILE|-\n"
                   "       corvane-cli import GROUP FILE|- --names [--encoding E] [--delimiter D] [--ignore-case]\n"
                   "                                        [--rejected FILE]\n"
                   "Imports one address a line, as the window's 导入 does: each line trimmed, valid addresses not\n"
                   "yet in the group stored, in batches (a run that is killed keeps its whole batches; running it\n"
                   "again stores the rest). With --names, a list with names from a spreadsheet (CSV), as 导入名单\n"
                   "does: the encoding (utf-8, gbk) and the delimiter (comma, semicolon, tab, pipe, blanks) are\n"
                   "detected unless given; --rejected saves the refused lines with their reasons.\n"},
        {"export", "usage: corvane-cli export GROUP [FILE|-] [--csv] [--encoding utf-8|gbk]\n"
                   "Writes the whole group: one address a line (CR LF), or with --csv a header email,name and a\n"
                   "row per address (UTF-8 with a byte-order mark, or GBK). The file is written whole or not at\n"
                   "all; without FILE, or with -, to standard output.\n"},
        {"filter", "usage: corvane-cli filter GROUP IN OUT\n"
                   "Writes to OUT the lines of IN whose address is not in GROUP, as the window's filter does.\n"},
        {"find", "usage: corvane-cli find TEXT [--exact|--prefix|--contains]\n"
                 "Finds addresses and names across every group (letter case ignored); --contains by default.\n"},
        {"remove", "usage: corvane-cli remove FILE|- (--group GROUP | --all) [--ignore-case]\n"
                   "Removes the addresses that the file lists (one a line) from the group, or from every group.\n"},
        {"union", "usage: corvane-cli union|intersect|minus A B (--into NEW | --out FILE) [--ignore-case]\n"
                  "Makes a new group, or a file, of the addresses in A or B (union), in both (intersect), or in\n"
                  "A but not in B (minus).\n"},
        {"merge", "usage: corvane-cli merge A B [--ignore-case]\n"
                  "Moves the addresses of group A into group B (those already in B are dropped) and deletes A.\n"},
        {"check", "usage: corvane-cli check FILE|- [--invalid]\n"
                  "Prints the lines that are valid e-mail addresses (trimmed), or with --invalid the others. Needs\n"
                  "no book.\n"},
    };
    return texts;
}

} // namespace

const char* toolUsage() {
    return "usage: corvane-cli [--book FOLDER | --dsn NAME] [--json] COMMAND [ARGUMENTS]\n"
           "\n"
           "The Corvane address book from scripts and the terminal. Commands:\n"
           "  groups                       list the groups\n"
           "  group add|rename|delete      change a group\n"
           "  import GROUP FILE|-          import addresses (--names: a list with names)\n"
           "  export GROUP [FILE|-]        write a whole group (--csv)\n"
           "  filter GROUP IN OUT          the lines of IN whose address is not in GROUP\n"
           "  find TEXT                    find addresses and names in every group\n"
           "  remove FILE|-                remove the addresses a file lists (--group GROUP | --all)\n"
           "  union|intersect|minus A B    one group from two (--into NEW | --out FILE)\n"
           "  merge A B                    move A's addresses into B and delete A\n"
           "  check FILE|-                 the lines that are valid addresses\n"
           "'corvane-cli COMMAND --help' tells more. A GROUP is named by its id or its name.\n"
           "\n"
           "The book: --book FOLDER opens FOLDER/Corvane.bin; --dsn NAME the ODBC data source NAME; by default\n"
           "what the window opens: the data source Corvane when one is defined, else\n"
           "$XDG_DATA_HOME/Corvane/Corvane.bin (~/.local/share/Corvane). corvane-cli never creates a book\n"
           "(corvane-create-db does). It may run while a window has the same book open.\n"
           "\n"
           "Output: aligned columns for people; --json: one JSON object per run, or a JSON object a line for\n"
           "lists. Progress goes to standard error when that is a terminal.\n"
           "\n"
           "Exit status:\n"
           "  0  done\n"
           "  1  done, but some lines of the input were refused (invalid, too long)\n"
           "  2  usage: the arguments are not understood\n"
           "  3  the book cannot be opened\n"
           "  4  a database error stopped the run (the batches stored before it stay)\n"
           "  5  a file cannot be read or written\n";
}

std::string commandUsage(const std::string& name) {
    const std::string key = name == "intersect" || name == "minus" ? "union" : name;
    const auto found = usages().find(key);
    return found == usages().end() ? std::string() : found->second;
}
