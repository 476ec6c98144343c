// Batches of store operations (AddressStore::beginTransaction): the write lock from the start, whole or not at all,
// and a batch whose transaction the database ends on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/Transaction.h"
#include "store/DatabaseFile.h"
#include "support/StoreFixture.h"

namespace {

class BatchTest : public StoreFixture {
protected:
    // A second connection to the book whose statements give up at once while another holds the write lock.
    OdbcConnection& impatient() {
        if (!m_impatient.isOpen()) {
            std::string text = book.connectionString();
            if (OnPostgreSql()) {
                m_impatient.open(text);
                m_impatient.execute("set lock_timeout to '100ms'");
                return m_impatient;
            }
            const std::size_t at = text.find("Timeout=");
            text = (at == std::string::npos ? text : text.substr(0, at)) + ";Timeout=1";
            m_impatient.open(text);
        }
        return m_impatient;
    }
    // Whether another program could write now. SQLite: any write needs the book's one write lock. PostgreSQL:
    // writers wait only for the rows they share, but a write batch (which checks before it inserts) waits for
    // every other write batch.
    bool canWrite() {
        try {
            if (OnPostgreSql()) {
                Transaction batch(impatient(), TransactionIsolation::kDefault, TransactionAccess::kWrite);
                return true;
            }
            impatient().execute("delete from SearchKey where 0 = 1");
            return true;
        } catch (const DatabaseError&) {
            return false;
        }
    }
    // Another program takes the write lock and writes a row; releaseWriteLock() commits it.
    void holdWriteLock() {
        if (OnPostgreSql())
            impatient().beginTransaction(TransactionIsolation::kDefault, TransactionAccess::kWrite);
        else
            impatient().execute("begin immediate");
        impatient().execute("insert into AddressList(group_id, email, name) values(2, 'theirs@x', '')");
    }
    void releaseWriteLock() {
        if (OnPostgreSql())
            impatient().commit();
        else
            impatient().execute("commit");
    }
    std::int64_t addresses() { return scalar("select count(*) as value from AddressList"); }

private:
    OdbcConnection m_impatient;
};

TEST_F(BatchTest, HoldsTheWriteLockFromItsStartAndCommitsWhole) {
    ASSERT_TRUE(canWrite());
    {
        StoreTransaction batch = store.beginTransaction();
        // Before it writes anything, and while it only reads, no other program can write.
        EXPECT_FALSE(canWrite());
        EXPECT_EQ(store.AddressExists(1, "a@x"), 0);
        EXPECT_EQ(store.InsertAddress(1, "a@x", ""), 0);
        EXPECT_EQ(store.AddressExists(1, "a@x"), 1); // the batch sees its own rows
        EXPECT_EQ(addresses(), 0);                   // nobody else does yet
        batch.commit();
        EXPECT_FALSE(batch.isBroken());
    }
    EXPECT_TRUE(canWrite());
    EXPECT_EQ(addresses(), 1);

    // While another program holds the write lock, a batch waits for it before it begins.
    holdWriteLock();
    // (The store waits the build's busy time-out; the other program lets go well before.)
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        releaseWriteLock();
    });
    {
        StoreTransaction batch = store.beginTransaction();
        EXPECT_EQ(store.AddressExists(2, "theirs@x"), 1); // it began after the other program's commit
        EXPECT_EQ(store.InsertAddress(2, "mine@x", ""), 0);
        batch.commit();
    }
    release.join();
    EXPECT_EQ(addresses(), 3);
    EXPECT_TRUE(reported.empty());
}

TEST_F(BatchTest, ABatchTheDatabaseEndsRunsNothingMoreAndCommitsNothing) {
    if (OnPostgreSql()) GTEST_SKIP() << "SQLite only: see ABatchWhoseQueryFailsOnPostgreSqlIsBroken";
    // As SQLite does on a full disk: the engine takes the whole transaction back part way.
    sql("create trigger EndIt before insert on AddressList when new.email = 'end@x' "
        "begin select raise(rollback, 'ended by the database'); end");
    {
        StoreTransaction batch = store.beginTransaction();
        EXPECT_EQ(store.InsertAddress(1, "a@x", ""), 0);
        EXPECT_EQ(store.InsertAddress(1, "end@x", ""), 0);
        EXPECT_TRUE(batch.isBroken());
        // Nothing more runs in it: no insert on its own in auto-commit mode, and no second report.
        EXPECT_EQ(store.InsertAddress(1, "b@x", ""), 0);
        EXPECT_EQ(store.DeleteAddress(1), 0);
        EXPECT_EQ(store.UpdateAddress(1, 1, "c@x", ""), 2);
        EXPECT_THROW(store.AddressExists(1, "a@x"), DatabaseError);
        EXPECT_THROW(batch.commit(), DatabaseError);
    }
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("ended by the database"), std::string::npos) << reported[0];
    EXPECT_EQ(addresses(), 0);

    // The next batch is a transaction again, and so is the store outside batches.
    {
        StoreTransaction batch = store.beginTransaction();
        EXPECT_FALSE(batch.isBroken());
        EXPECT_EQ(store.InsertAddress(1, "c@x", ""), 0);
        EXPECT_EQ(addresses(), 0);
        batch.commit();
    }
    EXPECT_EQ(addresses(), 1);
    EXPECT_EQ(store.InsertAddress(1, "d@x", ""), 0);
    EXPECT_EQ(addresses(), 2);
    EXPECT_EQ(reported.size(), 1u);
}

TEST_F(BatchTest, ABatchWhoseQueryFailsOnPostgreSqlIsBroken) {
    if (!OnPostgreSql()) GTEST_SKIP() << "PostgreSQL only: a failed query costs the transaction";
    sql("alter table AddressList rename to Kept");
    {
        StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
        // A failed write is taken back alone ...
        EXPECT_EQ(store.InsertAddress(1, "a@x", ""), AddressStore::kNotWritten);
        EXPECT_FALSE(batch.isBroken());
        // ... a failed query leaves the transaction refused by the engine: the batch is broken.
        EXPECT_THROW(store.AddressExists(1, "a@x"), DatabaseError);
        EXPECT_TRUE(batch.isBroken());
        EXPECT_EQ(store.InsertAddress(1, "b@x", ""), AddressStore::kNotWritten);
        EXPECT_EQ(batch.failures(), 1u);
        EXPECT_THROW(batch.commit(), DatabaseError);
    }
    sql("alter table Kept rename to AddressList");
    {
        StoreTransaction batch = store.beginTransaction();
        EXPECT_FALSE(batch.isBroken());
        EXPECT_EQ(store.InsertAddress(1, "c@x", ""), 0);
        batch.commit();
    }
    EXPECT_EQ(addresses(), 1);
    EXPECT_TRUE(reported.empty());
}

TEST_F(BatchTest, ABatchThatKeepsItsErrorsTellsItsOwnerInsteadOfTheUser) {
    refuseInserts("Refuse", "AddressList", "new.email = 'refused@x'", "refused by the book");
    if (!OnPostgreSql()) {
        sql("create trigger EndIt before insert on AddressList when new.email = 'end@x' "
            "begin select raise(rollback, 'ended by the database'); end");
    }
    {
        StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
        EXPECT_EQ(store.InsertAddress(1, "a@x", ""), 0);
        EXPECT_EQ(store.InsertAddress(1, "refused@x", ""), AddressStore::kNotWritten);
        EXPECT_FALSE(batch.isBroken()); // the statement alone was undone
        EXPECT_EQ(batch.failures(), 1u);
        EXPECT_NE(batch.lastFailure().find("refused by the book"), std::string::npos) << batch.lastFailure();
        EXPECT_EQ(store.InsertAddress(1, "b@x", ""), 0);
        batch.commit();
    }
    EXPECT_EQ(texts("select email from AddressList order by id", "email"), (std::vector<std::string>{"a@x", "b@x"}));
    if (OnPostgreSql()) return; // the engine ends no transaction on its own there (see above)
    {
        StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
        EXPECT_EQ(store.InsertAddress(1, "c@x", ""), 0);
        EXPECT_EQ(store.InsertAddress(1, "end@x", ""), AddressStore::kNotWritten);
        EXPECT_TRUE(batch.isBroken());
        EXPECT_EQ(store.InsertAddress(1, "d@x", ""), AddressStore::kNotWritten);
        EXPECT_EQ(batch.failures(), 1u); // the insert that did not run is no second failure
        EXPECT_NE(batch.lastFailure().find("ended by the database"), std::string::npos) << batch.lastFailure();
    }
    EXPECT_EQ(addresses(), 2);
    EXPECT_TRUE(reported.empty());
}

} // namespace
