// Our ODBC layer against the real drivers, and the tool that creates a fresh database (on both engines, see
// support/TestBook.h).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdlib>

#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "platform/Transaction.h"
#include "store/DatabaseFile.h"
#include "support/TempFolder.h"
#include "support/TestBook.h"
#include "tools/CreateDatabase.h"

namespace {

class OdbcTest : public ::testing::Test {
protected:
    OdbcTest() { connection.open(book.connectionString()); }

    std::int64_t count(const std::string& table) {
        OdbcRecordSet records(connection);
        records.open("select count(*) as n from " + table);
        return records.integer("n");
    }

    TempFolder folder;
    TestBook book{folder.path()};
    OdbcConnection connection;
};

// Tests of what only an SQLite file has, or only SQLite does.
#define SQLITE_ONLY(why)                                                                                               \
    if (OnPostgreSql()) GTEST_SKIP() << "SQLite only: " << why

TEST(OdbcConnection, RefusesMissingFileWithoutCreatingIt) {
    SQLITE_ONLY("a book file");
    TempFolder folder;
    const std::string path = databaseFilePath(folder.path());
    OdbcConnection connection;
    EXPECT_THROW(connection.open(*connectionStringFor(path)), DatabaseError);
    EXPECT_FALSE(connection.isOpen());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_THROW(connection.execute("select 1"), DatabaseError);
}

TEST_F(OdbcTest, ErrorCarriesStateNativeCodeAndDriverText) {
    try {
        connection.execute("insert into NoSuchTable(x) values(?)", {1});
        FAIL() << "no error";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.sqlState().size(), 5u);
        EXPECT_NE(error.message().find(OnPostgreSql() ? "nosuchtable" : "NoSuchTable"), std::string::npos)
            << error.message();
        EXPECT_NE(std::string(error.what()).find(error.sqlState()), std::string::npos);
    }
    // The connection is still usable after a failed statement.
    connection.execute("insert into AddressCata(name) values(?)", {std::string_view("a")});
    EXPECT_EQ(count("AddressCata"), 1);
}

TEST_F(OdbcTest, EmptyResultStandsPastTheEndAtOnce) {
    OdbcRecordSet records(connection);
    records.open("select id, name from AddressCata");
    EXPECT_TRUE(records.isOpen());
    EXPECT_TRUE(records.isEof());
    EXPECT_THROW(records.text("name"), DatabaseError);
}

TEST_F(OdbcTest, ReadsFieldsByNameInAnyOrderWithFullWidthIntegers) {
    connection.execute("insert into AddressList(id, group_id, email, name) values(?, ?, ?, ?)",
                       {2147483647, -2147483647 - 1, std::string_view("a@b"), std::string_view("")});
    connection.execute("insert into AddressList(id, group_id, email, name) values(?, ?, ?, ?)",
                       {70000, 65536, std::string_view("c@d"), std::string_view("N")});
    OdbcRecordSet records(connection);
    records.open("select * from AddressList where id > ? order by id", {0});
    ASSERT_FALSE(records.isEof());
    EXPECT_EQ(records.text("NAME"), "N");
    EXPECT_EQ(records.integer("group_id"), 65536);
    EXPECT_EQ(records.integer("id"), 70000);
    EXPECT_EQ(records.text("id"), "70000");
    records.moveNext();
    ASSERT_FALSE(records.isEof());
    EXPECT_EQ(records.integer("id"), 2147483647);
    EXPECT_EQ(records.integer("group_id"), -2147483647 - 1);
    EXPECT_EQ(records.text("name"), "");
    EXPECT_THROW(records.text("nosuchcolumn"), DatabaseError);
    records.moveNext();
    EXPECT_TRUE(records.isEof());
}

TEST_F(OdbcTest, IntegerPastThirtyTwoBitsIsReadWhole) {
    OdbcRecordSet records(connection);
    records.open("select 4294967297 as id, ? as bound", {std::int64_t{-4294967299}});
    EXPECT_EQ(records.integer("id"), 4294967297);
    EXPECT_EQ(records.integer("bound"), -4294967299);
}

TEST_F(OdbcTest, LongTextWithDoubleByteCharactersRoundTripsInChunks) {
    // 100,000 bytes of GBK text, with trail bytes that look like "\\", "|" and "@", and a NUL-free quote.
    std::string text;
    while (text.size() < 100'000)
        text += "\xB0\xA1\x95\x5C\x81\x7C\x81\x40'\"x";
    connection.execute("insert into SearchKey(id, keyword) values(?, ?)", {1, text});
    OdbcRecordSet records(connection);
    records.open("select keyword from SearchKey where keyword = ?", {text});
    ASSERT_FALSE(records.isEof());
    EXPECT_EQ(records.text("keyword"), text);
}

TEST_F(OdbcTest, TextsKeepEveryByteBothWaysAnEmbeddedNulIncluded) {
    SQLITE_ONLY("PostgreSQL text holds no NUL (see ServerTextIsUnicodeAndTheProgramReadsItsOwnBytes)");
    using namespace std::string_literals;
    // A NUL at the start, the middle and the end, next to GBK characters whose second byte looks like ASCII, and
    // around the point where a long text is read in a second piece.
    std::string longText;
    while (longText.size() < 10'000)
        longText += "\xB0\xA1\x81|x\0"s;
    longText[4095] = '\0';
    longText[4096] = '\0';
    const std::vector<std::string> texts = {
        "plain", "", "\0"s, "\0\0"s, "a\0b"s, "end\0"s, "\xD6\xD0\0\xB1|\0\x95\\"s, longText,
    };
    for (std::size_t i = 0; i < texts.size(); ++i)
        connection.execute("insert into SearchKey(id, keyword) values(?, ?)", {static_cast<std::int32_t>(i), texts[i]});

    OdbcRecordSet records(connection);
    records.open("select * from SearchKey order by id");
    for (const std::string& expected : texts) {
        ASSERT_FALSE(records.isEof());
        const std::string read = records.text("keyword");
        EXPECT_EQ(read.size(), expected.size());
        EXPECT_EQ(read, expected);
        records.moveNext();
    }
    EXPECT_TRUE(records.isEof());

    // A text with a NUL is found by itself, and neither its part before the NUL nor the same text cut short is.
    auto idsOf = [&](const std::string& text) {
        std::vector<std::int32_t> ids;
        OdbcRecordSet found(connection);
        for (found.open("select id from SearchKey where keyword = ?", {text}); !found.isEof(); found.moveNext())
            ids.push_back(found.integer("id"));
        return ids;
    };
    EXPECT_EQ(idsOf("a\0b"s), std::vector<std::int32_t>{4});
    EXPECT_EQ(idsOf("a"), std::vector<std::int32_t>{});
    EXPECT_EQ(idsOf("\0"s), std::vector<std::int32_t>{2});
    EXPECT_EQ(idsOf(longText), std::vector<std::int32_t>{7});
    EXPECT_EQ(idsOf("plain"), std::vector<std::int32_t>{0});
}

TEST_F(OdbcTest, FieldsAreFoundByNameInEachRunsOwnResult) {
    connection.execute("insert into Links(id, site, url) values(?, ?, ?)",
                       {7, std::string_view("site"), std::string_view("http://u")});
    const std::string query = "select * from Links";
    auto read = [&] {
        OdbcRecordSet records(connection);
        records.open(query);
        EXPECT_FALSE(records.isEof());
        return std::to_string(records.integer("id")) + " " + records.text("site") + " " + records.text("url");
    };
    EXPECT_EQ(read(), "7 site http://u");

    // Another program rebuilds the table with its columns in another order and one more, under the statement that
    // this connection keeps prepared for the same text.
    OdbcConnection other;
    other.open(book.connectionString());
    other.execute("create table LinksNew (url text not null, extra integer, site text not null, id integer not null)");
    other.execute("insert into LinksNew(url, extra, site, id) select url, 99, site, id from Links");
    other.execute("drop table Links");
    other.execute("alter table LinksNew rename to Links");
    EXPECT_EQ(read(), "7 site http://u");

    // A query opened only to see whether rows come reads no field.
    OdbcRecordSet check(connection);
    check.open(query, {}, OdbcRecordSet::Reading::kRowsOnly);
    EXPECT_FALSE(check.isEof());
    EXPECT_THROW(check.text("site"), DatabaseError);
}

TEST_F(OdbcTest, TwoReadersOfOneStatementTextDoNotDisturbEachOther) {
    for (int i = 0; i < 3; ++i)
        connection.execute("insert into SearchKey(id, keyword) values(?, ?)", {i, std::string_view("k")});
    const std::string query = "select id from SearchKey order by id";
    OdbcRecordSet outer(connection);
    outer.open(query);
    int rows = 0;
    for (; !outer.isEof(); outer.moveNext(), ++rows) {
        OdbcRecordSet inner(connection);
        inner.open(query);
        EXPECT_EQ(inner.integer("id"), 0);
        EXPECT_EQ(outer.integer("id"), rows);
    }
    EXPECT_EQ(rows, 3);
}

TEST_F(OdbcTest, TransactionRollsBackUnlessCommitted) {
    {
        Transaction transaction(connection);
        connection.execute("insert into AddressCata(name) values('gone')");
        EXPECT_THROW(Transaction nested(connection), DatabaseError);
    }
    EXPECT_EQ(count("AddressCata"), 0);
    {
        Transaction transaction(connection);
        connection.execute("insert into AddressCata(name) values('kept')");
        transaction.commit();
    }
    EXPECT_EQ(count("AddressCata"), 1);
    // Auto-commit is back on: a second connection sees a plain insert at once.
    connection.execute("insert into AddressCata(name) values('plain')");
    OdbcConnection other;
    other.open(book.connectionString());
    OdbcRecordSet records(other);
    records.open("select count(*) as n from AddressCata");
    EXPECT_EQ(records.integer("n"), 2);
}

TEST_F(OdbcTest, ASavepointTakesBackOnlyItsOwnPart) {
    EXPECT_THROW(Savepoint outside(connection, "s"), DatabaseError);
    {
        Transaction transaction(connection, TransactionIsolation::kSerializable);
        connection.execute("insert into AddressCata(name) values('before')");
        {
            Savepoint part(connection, "s");
            connection.execute("insert into AddressCata(name) values('taken back')");
            EXPECT_THROW(connection.execute("insert into AddressCata(name) values(null)"), DatabaseError);
            part.rollback();
        }
        {
            Savepoint part(connection, "s");
            connection.execute("insert into AddressCata(name) values('gone with the scope')");
        }
        {
            Savepoint part(connection, "s");
            connection.execute("insert into AddressCata(name) values('kept')");
            part.release();
        }
        transaction.commit();
    }
    OdbcRecordSet records(connection);
    std::vector<std::string> names;
    for (records.open("select name from AddressCata order by id"); !records.isEof(); records.moveNext())
        names.push_back(records.text("name"));
    EXPECT_EQ(names, (std::vector<std::string>{"before", "kept"}));
    // Auto-commit is back, and another transaction can start.
    Transaction next(connection);
    next.commit();
}

TEST_F(OdbcTest, ATransactionTheEngineEndedOnItsOwnLeavesTheNextOneWhole) {
    if (!OnPostgreSql()) {
        // SQLite rolls a transaction back by itself on a full disk; a trigger can make it do so at will.
        connection.execute("create trigger EndsTheTransaction before insert on SearchKey when new.id = 13 "
                           "begin select raise(rollback, 'rolled back by the engine'); end");
    }
    {
        Transaction transaction(connection);
        connection.execute("insert into AddressCata(name) values('gone')");
        if (OnPostgreSql()) {
            // PostgreSQL refuses the rest of a transaction in which a query failed.
            OdbcRecordSet failing(connection);
            EXPECT_THROW(failing.open("select 1 / 0 as n"), DatabaseError);
        } else {
            EXPECT_THROW(connection.execute("insert into SearchKey(id, keyword) values(13, 'k')"), DatabaseError);
        }
        if (OnPostgreSql()) {
            EXPECT_TRUE(connection.transactionLost());
            EXPECT_THROW(connection.execute("insert into AddressCata(name) values('not run')"), DatabaseError);
        }
        EXPECT_THROW(transaction.commit(), DatabaseError);
    }
    EXPECT_EQ(count("AddressCata"), 0);
    // The next transactions are transactions again: what they do waits for their commit, or goes with their end.
    OdbcConnection other;
    other.open(book.connectionString());
    auto countOnOther = [&] {
        OdbcRecordSet records(other);
        records.open("select count(*) as n from AddressCata");
        return records.integer("n");
    };
    {
        Transaction transaction(connection);
        connection.execute("insert into AddressCata(name) values('undone')");
        EXPECT_EQ(countOnOther(), 0);
    }
    EXPECT_EQ(count("AddressCata"), 0);
    {
        Transaction transaction(connection);
        connection.execute("insert into AddressCata(name) values('kept')");
        EXPECT_EQ(countOnOther(), 0);
        transaction.commit();
    }
    EXPECT_EQ(countOnOther(), 1);
}

TEST_F(OdbcTest, ClosingDuringATransactionDropsItsWork) {
    auto transaction = std::make_unique<Transaction>(connection);
    connection.execute("insert into AddressCata(name) values('gone')");
    connection.close();
    transaction.reset(); // the rollback on a closed connection is harmless
    connection.open(book.connectionString());
    EXPECT_EQ(count("AddressCata"), 0);
}

std::string fileContents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(CreateDatabase, RefusesToOverwriteAnyExistingFile) {
    SQLITE_ONLY("a book file");
    TempFolder folder;
    const std::string path = databaseFilePath(folder.path());
    std::ofstream(path, std::ios::binary) << "not a database, but someone's file";
    std::string error;
    EXPECT_EQ(createDatabase(folder.path(), builtInSchema(), error), CreateDatabaseResult::kAlreadyExists);
    EXPECT_EQ(fileContents(path), "not a database, but someone's file");

    TempFolder second;
    ASSERT_EQ(createDatabase(second.path(), builtInSchema(), error), CreateDatabaseResult::kCreated) << error;
    const std::string created = fileContents(databaseFilePath(second.path()));
    EXPECT_EQ(createDatabase(second.path(), builtInSchema(), error), CreateDatabaseResult::kAlreadyExists);
    EXPECT_EQ(fileContents(databaseFilePath(second.path())), created);
}

TEST(CreateDatabase, FailureLeavesNothingBehind) {
    SQLITE_ONLY("a book file");
    TempFolder folder;
    std::string error;
    EXPECT_EQ(createDatabase(folder.path() + "/missing", builtInSchema(), error), CreateDatabaseResult::kCannotReach);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(createDatabase(folder.path(), "create table A(id integer);\ncreate tabel B;", error),
              CreateDatabaseResult::kFailed);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
    // A name that would break the connection string is refused before anything is made.
    const std::string odd = folder.path() + "/a;NoCreat=0";
    std::filesystem::create_directory(odd);
    EXPECT_EQ(createDatabase(odd, builtInSchema(), error), CreateDatabaseResult::kFailed);
    EXPECT_TRUE(std::filesystem::is_empty(odd));
}

// The program's texts are GBK bytes; on PostgreSQL the book is a UTF-8 database and the session's client encoding
// GBK, so other tools read Unicode text while the program reads back exactly the bytes it stored.
TEST_F(OdbcTest, ServerTextIsUnicodeAndTheProgramReadsItsOwnBytes) {
    if (!OnPostgreSql()) GTEST_SKIP() << "PostgreSQL only: SQLite keeps the bytes as given";
    const std::string gbk = "\xD6\xD0\xCE\xC4 \xB5\xD8\xD6\xB7\xB2\xBE"; // 中文 地址簿
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 \xE5\x9C\xB0\xE5\x9D\x80\xE7\xB0\xBF";
    connection.execute("insert into SearchKey(id, keyword) values(1, ?)", {gbk});
    OdbcRecordSet records(connection);
    records.open("select keyword, encode(convert_to(keyword, 'UTF8'), 'hex') as stored from SearchKey");
    EXPECT_EQ(records.text("keyword"), gbk);
    std::string hex;
    for (unsigned char c : utf8) {
        static const char digits[] = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    EXPECT_EQ(records.text("stored"), hex);
    records.close();

    // Another program whose client encoding is UTF-8 (psql, a report) reads the same row as Unicode text.
    OdbcConnection other;
    other.open(book.connectionString());
    other.execute("set client_encoding to 'UTF8'");
    OdbcRecordSet asUnicode(other);
    asUnicode.open("select keyword from SearchKey");
    EXPECT_EQ(asUnicode.text("keyword"), utf8);
}

TEST_F(OdbcTest, TextsTheServerCannotHoldAreRefusedAndNothingElseIsLost) {
    if (!OnPostgreSql()) GTEST_SKIP() << "PostgreSQL only: SQLite holds any bytes";
    using namespace std::string_literals;
    struct Refused {
        std::string text;
        std::string says;
    };
    const std::vector<Refused> refused = {
        {"a\0b"s, "NUL byte (byte 2)"},
        {"\xD6\xD0\x81"s, "not valid GBK (code page 936) text at byte 3 (0x81)"}, // a lead byte alone at the end
        {"x\x81\x20y"s, "not valid GBK (code page 936) text at byte 2 (0x81)"},   // a lead byte before a space
        {"\x80"s, "byte 1 (0x80)"},
        {"\xFF\x40"s, "byte 1 (0xFF)"},
        {"\xAA\xA1"s, "0xaa 0xa1"}, // well formed, but no character: the server's own refusal
    };
    Transaction transaction(connection);
    connection.execute("insert into SearchKey(id, keyword) values(1, 'before')");
    for (const Refused& text : refused) {
        EXPECT_FALSE(connection.canStore(text.text) && text.says.find("0xaa") == std::string::npos);
        try {
            connection.execute("insert into SearchKey(id, keyword) values(2, ?)", {text.text});
            ADD_FAILURE() << "stored";
        } catch (const DatabaseError& error) {
            EXPECT_NE(error.message().find(text.says), std::string::npos) << error.message();
        }
        EXPECT_FALSE(connection.transactionLost());
    }
    connection.execute("insert into SearchKey(id, keyword) values(3, 'after')");
    transaction.commit();
    OdbcRecordSet records(connection);
    std::vector<std::string> kept;
    for (records.open("select keyword from SearchKey order by id"); !records.isEof(); records.moveNext())
        kept.push_back(records.text("keyword"));
    EXPECT_EQ(kept, (std::vector<std::string>{"before", "after"}));
}

TEST_F(OdbcTest, EveryGbkCharacterTheServerTakesComesBackByteForByte) {
    // Every well-formed double-byte pair, a text per lead byte; where the server refuses a text (some pairs name no
    // character), its pairs one by one. What the server took must read back unchanged.
    std::int32_t id = 0;
    std::size_t taken = 0;
    auto store = [&](const std::string& text) {
        try {
            connection.execute("insert into SearchKey(id, keyword) values(?, ?)", {id, text});
        } catch (const DatabaseError&) {
            return false;
        }
        ++id;
        return true;
    };
    std::vector<std::string> stored;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        std::string text;
        std::vector<std::string> pairs;
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            pairs.push_back({static_cast<char>(lead), static_cast<char>(trail)});
            text += pairs.back();
        }
        if (store(text)) {
            stored.push_back(text);
            taken += pairs.size();
            continue;
        }
        for (const std::string& pair : pairs) {
            if (store(pair)) {
                stored.push_back(pair);
                ++taken;
            }
        }
    }
    // GBK has more than 21,000 characters (SQLite takes every pair).
    EXPECT_GT(taken, 21000u);
    OdbcRecordSet records(connection);
    std::size_t at = 0;
    for (records.open("select keyword from SearchKey order by id"); !records.isEof(); records.moveNext(), ++at) {
        ASSERT_LT(at, stored.size());
        EXPECT_EQ(records.text("keyword"), stored[at]) << "row " << at;
    }
    EXPECT_EQ(at, stored.size());
}

TEST(DataSource, IsFoundInTheFileThatOdbciniNames) {
    TempFolder folder;
    const std::string ini = folder.path() + "/odbc.ini";
    std::ofstream(ini) << "[Other]\nDriver = SQLite3\n\n[corvane]\nDriver = SQLite3\nDatabase = /nowhere\n";
    ::setenv("ODBCINI", ini.c_str(), 1);
    EXPECT_TRUE(isDataSourceDefined("Corvane")); // letter case aside
    EXPECT_TRUE(isDataSourceDefined("Other"));
    EXPECT_FALSE(isDataSourceDefined("Corvan"));
    std::ofstream(ini, std::ios::trunc) << "[Other]\nDriver = SQLite3\n";
    EXPECT_FALSE(isDataSourceDefined("Corvane")); // read again at each look
    ::unsetenv("ODBCINI");
}

// The tool on a data source: the tables of the engine's schema, never twice, and only in a UTF-8 database.
TEST(CreateDatabase, OnADataSourceMakesTheTablesOnceInAUtf8Database) {
    if (!OnPostgreSql()) GTEST_SKIP() << "PostgreSQL only: a database on a server";
    TempFolder folder;
    TestBook book(folder.path(), false);
    std::string error;
    ASSERT_EQ(createDatabaseOnDataSource("Corvane", "", error), CreateDatabaseResult::kCreated) << error;
    OdbcConnection connection;
    connection.open(book.connectionString());
    connection.execute("insert into AddressList(group_id, email, name) values(1, 'a@x', '')");
    EXPECT_EQ(createDatabaseOnDataSource("Corvane", "", error), CreateDatabaseResult::kAlreadyExists);
    EXPECT_NE(error.find("AddressCata"), std::string::npos) << error;
    OdbcRecordSet records(connection);
    records.open("select count(*) as n from AddressList");
    EXPECT_EQ(records.integer("n"), 1);
    records.close();
    EXPECT_EQ(createDatabaseOnDataSource("NoSuchSource", "", error), CreateDatabaseResult::kCannotReach);
    EXPECT_EQ(createDatabaseOnDataSource("Corvane;Database=x", "", error), CreateDatabaseResult::kFailed);

    // A database that keeps bytes as they come would hand other tools the GBK bytes as they are.
    OdbcConnection server;
    server.open(TestBook::serverConnectionString());
    const std::string latin = book.databaseName() + "_bytes";
    server.execute("drop database if exists " + latin);
    server.execute("create database " + latin + " encoding 'SQL_ASCII' lc_collate 'C' lc_ctype 'C' template template0");
    TempFolder other;
    const std::string ini = other.path() + "/odbc.ini";
    std::ofstream(ini) << "[Latin]\nDriver = PostgreSQL ANSI\nServername = " << TestBook::serverValue("PGHOST")
                       << "\nPort = " << TestBook::serverValue("PGPORT") << "\nDatabase = " << latin
                       << "\nUsername = " << TestBook::serverValue("PGUSER")
                       << "\nPassword = " << TestBook::serverValue("PGPASSWORD") << "\n";
    ::setenv("ODBCINI", ini.c_str(), 1);
    EXPECT_EQ(createDatabaseOnDataSource("Latin", "", error), CreateDatabaseResult::kNotUtf8);
    EXPECT_NE(error.find("UTF8"), std::string::npos) << error;
    server.execute("drop database " + latin + " with (force)");
}

} // namespace
