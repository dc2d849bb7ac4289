#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "alloc_fixture.h"
#include "station/engine/alloc/factory_database.h"

namespace {

using alloc_test::AllocFixture;

class FactoryDb : public AllocFixture {
protected:
    void MakeDatabase() {
        ASSERT_EQ(system((alloc_test::ScriptPath("make-factory-db") + " " + root_.path() + " >/dev/null").c_str()), 0);
    }
    // Rows of a table as "col|col|col" lines.
    std::vector<std::string> Rows(const std::string& table) {
        std::vector<std::string> rows;
        sqlite3* db = nullptr;
        sqlite3_open(root_.Path("factory_data.db").c_str(), &db);
        sqlite3_exec(
            db, ("SELECT * FROM " + table).c_str(),
            [](void* out, int n, char** values, char**) {
                std::string row;
                for (int i = 0; i < n; ++i) row += std::string(i ? "|" : "") + (values[i] ? values[i] : "NULL");
                static_cast<std::vector<std::string>*>(out)->push_back(row);
                return 0;
            },
            &rows, nullptr);
        sqlite3_close(db);
        return rows;
    }
};

TEST_F(FactoryDb, StartUpChecksLeaveTheDuplicateCheckOffWithTheirMessage) {
    Set("COMMON_SET", "FACTORY_DB", "1");
    auto& alloc = Allocator();
    alloc.OpenFactoryDatabase();
    root_.Write("factory_data.db", std::string(5000, 'x'));
    alloc.OpenFactoryDatabase();
    root_.Write("factory_data.db", "SQLite format 3" + std::string(20000, '\x7f'));
    alloc.OpenFactoryDatabase();
    EXPECT_FALSE(alloc.DuplicateCheckOn());
    EXPECT_EQ(Messages(), (std::vector<std::string>{station::kFactoryDbMissingMessage,
                                                    station::kFactoryDbDamagedMessage,
                                                    station::kFactoryDbOpenFailedMessage}));
    // The station never creates the database.
    std::remove(root_.Path("factory_data.db").c_str());
    alloc.OpenFactoryDatabase();
    EXPECT_FALSE(root_.Exists("factory_data.db"));

    MakeDatabase();
    alloc.OpenFactoryDatabase();
    EXPECT_TRUE(alloc.DuplicateCheckOn());
    Set("COMMON_SET", "FACTORY_DB", "0");
    alloc.OpenFactoryDatabase();
    EXPECT_FALSE(alloc.DuplicateCheckOn());
    EXPECT_EQ(Messages().size(), 4u);
}

TEST_F(FactoryDb, ReadOnlyDatabaseIsRefusedAtStartUp) {
    if (geteuid() == 0) GTEST_SKIP() << "file modes do not bind root";
    MakeDatabase();
    Set("COMMON_SET", "FACTORY_DB", "1");
    chmod(root_.Path("factory_data.db").c_str(), 0444);
    Allocator().OpenFactoryDatabase();
    EXPECT_FALSE(Allocator().DuplicateCheckOn());
    EXPECT_EQ(Messages(), std::vector<std::string>{station::kFactoryDbOpenFailedMessage});
}

TEST_F(FactoryDb, StatementTexts) {
    EXPECT_EQ(station::InsertSnSql("2026-01-02 03:04:05", "00000042", "A1B2C3D4E5F6_3"),
              "INSERT INTO SN(DATE, SN, MASK)  VALUES('2026-01-02 03:04:05', '00000042', 'A1B2C3D4E5F6_3');");
    EXPECT_EQ(station::InsertMacSql("2026-01-02 03:04:05", "C0FFEE000001", "2BXX0000BEEF_16"),
              "INSERT INTO MAC(DATE, MAC, MASK) VALUES('2026-01-02 03:04:05', 'C0FFEE000001', '2BXX0000BEEF_16');");
    EXPECT_EQ(station::SelectMacSql("C0FFEE000001"), "SELECT MAC from MAC WHERE MAC='C0FFEE000001' ");
    // A quote in a text cannot end the literal.
    EXPECT_EQ(station::SelectMacSql("a'b"), "SELECT MAC from MAC WHERE MAC='a''b' ");
}

TEST_F(FactoryDb, PassedDevicesAreRecordedAndTheirMacsRefusedAfterwards) {
    MakeDatabase();
    Set("COMMON_SET", "FACTORY_DB", "1");
    UseRangeAndSerials();
    auto& alloc = Allocator();
    alloc.OpenFactoryDatabase();
    ASSERT_TRUE(alloc.DuplicateCheckOn());
    ASSERT_EQ(alloc.BuildFactoryData(3), 1);
    alloc.Finish(3, 1);
    const std::string date = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}";
    const auto mac = Rows("MAC"), sn = Rows("SN");
    ASSERT_EQ(mac.size(), 1u);
    ASSERT_EQ(sn.size(), 1u);
    EXPECT_TRUE(std::regex_match(mac[0], std::regex(date + "\\|C0FFEE000001\\|A1B2C3D4E5F6_3"))) << mac[0];
    EXPECT_TRUE(std::regex_match(sn[0], std::regex(date + "\\|00000001\\|A1B2C3D4E5F6_3"))) << sn[0];
    EXPECT_TRUE(alloc.IsMacUsed(5, "C0FFEE000001"));
    EXPECT_NE(LogText().find("[5] MAC = C0FFEE000001\n"), std::string::npos);
    EXPECT_FALSE(alloc.IsMacUsed(5, "C0FFEE000002"));

    // A recorded MAC fails the build, also when it comes from the bookkeeping,
    // and the message shows once per start command.
    Set("MACLOCAL_REUSE", "CHAN_4", "C0FFEE000001");
    Set("MACLOCAL_REUSE", "CHAN_6", "C0FFEE000001");
    EXPECT_EQ(alloc.BuildFactoryData(4), 0);
    EXPECT_EQ(alloc.BuildFactoryData(6), 0);
    EXPECT_NE(LogText().find("[4] MAC 已经使用过, 请确认\n"), std::string::npos);
    EXPECT_EQ(Messages(), std::vector<std::string>{station::kMacUsedMessage});
    alloc.ArmMessages();
    EXPECT_EQ(alloc.BuildFactoryData(6), 0);
    EXPECT_EQ(Messages().size(), 2u);

    // A failed device is not recorded; an insert error is logged and the job goes on.
    ASSERT_EQ(alloc.BuildFactoryData(7), 1);
    alloc.Finish(7, 0);
    EXPECT_EQ(Rows("MAC").size(), 1u);
    sqlite3* db = nullptr;
    sqlite3_open(root_.Path("factory_data.db").c_str(), &db);
    sqlite3_exec(db, "DROP TABLE SN", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    alloc.Finish(7, 1);
    EXPECT_NE(LogText().find("[7] SQL insert SN error: no such table: SN\n"), std::string::npos);
    EXPECT_EQ(Rows("MAC").size(), 2u);
}

}  // namespace
