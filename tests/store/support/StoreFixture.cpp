#include "support/StoreFixture.h"

#include "platform/OdbcRecordSet.h"
#include "store/DatabaseFile.h"
#include "tools/CreateDatabase.h"

StoreFixture::StoreFixture() {
    std::string error;
    if (createDatabase(folder.path(), builtInSchema(), error) != CreateDatabaseResult::kCreated)
        throw std::runtime_error("cannot create the test database: " + error);
    store.SetErrorReporter([this](const std::string& text) { reported.push_back(text); });
    if (!store.OpenDatabase(folder.path())) throw std::runtime_error("cannot open the test database");
}

StoreFixture::~StoreFixture() {
    if (m_side) m_side->close();
    store.CloseDatabase();
}

OdbcConnection& StoreFixture::side() {
    if (!m_side) {
        m_side = std::make_unique<OdbcConnection>();
        m_side->open(*ConnectionStringFor(DatabaseFilePath(folder.path())));
    }
    return *m_side;
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
    for (; !records.isEof(); records.moveNext()) result.push_back(records.text(column));
    return result;
}
