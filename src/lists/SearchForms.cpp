// Tested by tests/lists/BookSearchTest.cpp and tests/lists/RemoveListedTest.cpp on both engines.
#include "lists/SearchForms.h"

#include "lists/FoldedMatch.h"
#include "store/AddressStore.h"

namespace {

// SQLite: the index on the expression serves every "lower(email)" in a statement. lower() folds ASCII bytes and
// knows nothing of double-byte characters; instr() counts in bytes of a text.
const SearchForms kSqliteForms{
    .lowerEmailIndexExists = "select 1 from sqlite_master where type = 'index' and "
                             "lower(name) = 'addresslist_lower_email'",
    .createLowerEmailIndex = "create index if not exists AddressList_lower_email on AddressList (lower(email))",
    .lowerNameIndexExists = "select 1 from sqlite_master where type = 'index' and "
                            "lower(name) = 'addresslist_lower_name'",
    .createLowerNameIndex = "create index if not exists AddressList_lower_name on AddressList (lower(name))",
    .position = "instr(%1, %2)",
    .lowerFoldsBytes = true,
};

// PostgreSQL: the index compares by bytes ("C", as the e-mail column does), so that a range of texts that start the
// same is one stretch of it; under "C", lower() folds ASCII letters only, as on SQLite. Names carry the database's
// collation, which could fold other letters too, so they are compared under "C" as well.
const SearchForms kPostgreSqlForms{
    .lowerEmailIndexExists = "select 1 where to_regclass('addresslist_lower_email') is not null",
    .createLowerEmailIndex =
        "create index if not exists AddressList_lower_email on AddressList ((lower(email) collate \"C\"))",
    .lowerNameIndexExists = "select 1 where to_regclass('addresslist_lower_name') is not null",
    .createLowerNameIndex =
        "create index if not exists AddressList_lower_name on AddressList ((lower(name collate \"C\")))",
    .afterIndexMade = "analyze AddressList",
    .lowerName = "lower(name collate \"C\")",
    .position = "strpos(%1, %2)",
};

const SearchForms kOtherForms{};

std::string replaced(std::string text, std::string_view mark, const std::string& by) {
    const std::size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), by);
    return text;
}

} // namespace

std::string SearchForms::fold(std::string_view text) const {
    return lowerFoldsBytes ? foldAsciiBytes(text) : foldAsciiLetters(text);
}

std::string SearchForms::positionOf(const std::string& column) const {
    return replaced(replaced(position, "%1", column), "%2", "?");
}

const SearchForms& searchFormsFor(DatabaseEngine engine) {
    switch (engine) {
    case DatabaseEngine::kSqlite:
        return kSqliteForms;
    case DatabaseEngine::kPostgreSql:
        return kPostgreSqlForms;
    case DatabaseEngine::kOther:
        break;
    }
    return kOtherForms;
}

const SearchForms& searchFormsOf(AddressStore& store) {
    return store.withConnection(
        [](OdbcConnection& connection) -> const SearchForms& { return searchFormsFor(connection.engine()); });
}
