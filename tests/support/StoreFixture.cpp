#include "support/StoreFixture.h"

#include <algorithm>
#include <cctype>

#include "platform/OdbcRecordSet.h"
#include "store/DatabaseFile.h"

StoreFixture::StoreFixture() {
    store.setErrorReporter([this](const std::string& text) { reported.push_back(text); });
    if (!store.OpenDatabase(folder.path())) throw std::runtime_error("cannot open the test database");
}

StoreFixture::~StoreFixture() {
    if (m_side) m_side->close();
    store.closeDatabase();
}

OdbcConnection& StoreFixture::side() {
    if (!m_side) {
        m_side = std::make_unique<OdbcConnection>();
        m_side->open(book.connectionString());
    }
    return *m_side;
}

RowId StoreFixture::addGroup(const std::string& name) {
    EXPECT_EQ(store.AddGroup(name), 0);
    std::vector<GroupRecord> groups;
    store.LoadGroups(groups);
    RowId id = 0;
    for (const GroupRecord& group : groups)
        if (group.name == name) id = std::max(id, group.id);
    return id;
}

void StoreFixture::sql(const std::string& statement, std::initializer_list<SqlParameter> params) {
    side().execute(statement, params);
}

std::int64_t StoreFixture::scalar(const std::string& query, std::initializer_list<SqlParameter> params) {
    OdbcRecordSet records(side());
    records.open(query, params);
    if (records.isEof()) return -1;
    return std::stoll(records.text("value"));
}

std::vector<std::string> StoreFixture::texts(const std::string& query, const std::string& column) {
    std::vector<std::string> result;
    OdbcRecordSet records(side());
    records.open(query);
    for (; !records.isEof(); records.moveNext())
        result.push_back(records.text(column));
    return result;
}

void StoreFixture::refuseInserts(const std::string& name, const std::string& table, const std::string& condition,
                                 const std::string& message, bool endsTransaction) {
    if (!OnPostgreSql()) {
        sql("create trigger " + name + " before insert on " + table + " when " + condition + " begin select raise(" +
            (endsTransaction ? "rollback" : "abort") + ", '" + message + "'); end");
        return;
    }
    sql("create function " + name + "_f() returns trigger language plpgsql as $$ begin if " + condition +
        " then raise exception '" + message + "'" + (endsTransaction ? " using errcode = '53100'" : "") +
        "; end if; return new; end $$");
    sql("create trigger " + name + " before insert on " + table + " for each row execute function " + name + "_f()");
}

void StoreFixture::refuseDeletes(const std::string& name, const std::string& table, const std::string& message) {
    if (!OnPostgreSql()) {
        sql("create trigger " + name + " before delete on " + table + " begin select raise(abort, '" + message +
            "'); end");
        return;
    }
    sql("create function " + name + "_f() returns trigger language plpgsql as $$ begin raise exception '" + message +
        "'; end $$");
    sql("create trigger " + name + " before delete on " + table + " for each row execute function " + name + "_f()");
}

void StoreFixture::dropRefusal(const std::string& name, const std::string& table) {
    if (!OnPostgreSql()) {
        sql("drop trigger if exists " + name);
        return;
    }
    sql("drop trigger if exists " + name + " on " + table);
    sql("drop function if exists " + name + "_f()");
}

void StoreFixture::setNextId(const std::string& table, std::int32_t id) {
    if (!OnPostgreSql()) {
        sql("delete from sqlite_sequence where name = '" + table + "'");
        sql("insert into sqlite_sequence(name, seq) values('" + table + "', ?)", {id - 1});
        return;
    }
    // setval(sequence, n, false): the next value is n itself.
    OdbcRecordSet records(side());
    records.open("select setval(pg_get_serial_sequence('" + table + "', 'id'), ?, false) as value", {id});
}

bool StoreFixture::bookIsSound() {
    if (OnPostgreSql()) return scalar("select 1 as value") == 1;
    return texts("pragma integrity_check", "integrity_check") == std::vector<std::string>{"ok"};
}

bool containsIgnoringCase(const std::string& text, const std::string& part) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    return lower(text).find(lower(part)) != std::string::npos;
}
