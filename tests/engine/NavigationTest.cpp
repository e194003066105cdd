#include <strings.h>

#include <chrono>
#include <thread>

#include "tests/engine/EngineTestSupport.h"

namespace lw::test {
namespace {

class Navigation : public EngineTest {
 protected:
  void SetUp() override {
    // Entry numbers 1..6; charge references chosen so the index order differs from entry order.
    const char* charts[] = {"B", "A", "C", "A", "", "B"};
    for (int i = 0; i < 6; ++i) {
      engine::Row row = {{"Transaction Type", std::string("A")}, {"Case Number", std::int64_t(10 - i)}};
      if (*charts[i]) row.push_back({"Chart Number", std::string(charts[i])});
      practice.Insert("MWTRN", row);
    }
    practice.InsertAll("MWPAX", {{{"Payment Reference", std::int64_t(5)}, {"Charge Reference", std::int64_t(2)}},
                                 {{"Payment Reference", std::int64_t(6)}, {"Charge Reference", std::int64_t(1)}},
                                 {{"Payment Reference", std::int64_t(4)}, {"Charge Reference", std::int64_t(2)}},
                                 {{"Payment Reference", std::int64_t(3)}, {"Charge Reference", std::int64_t(3)}}});
  }
};

TEST_F(Navigation, WalksBothWaysInIndexAndNaturalOrder) {
  ADSHANDLE table = Open("MWTRN");
  ADSHANDLE byEntry = Index(table, "IDXENTRYNUMBER");
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}), Walk(byEntry, table, "Entry Number"));
  EXPECT_EQ((std::vector<std::int32_t>{6, 5, 4, 3, 2, 1}), Walk(byEntry, table, "Entry Number", true));
  // Chart order: NULL first, then A (2, 4), B (1, 6), C (3), record number breaking ties.
  ADSHANDLE byChart = Index(table, "IDXCHARTNUMBER");
  EXPECT_EQ((std::vector<std::int32_t>{5, 2, 4, 1, 6, 3}), Walk(byChart, table, "Entry Number"));
  EXPECT_EQ((std::vector<std::int32_t>{3, 6, 1, 4, 2, 5}), Walk(byChart, table, "Entry Number", true));
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}), Walk(table, table, "Entry Number"));
}

TEST_F(Navigation, BofAndEofFlags) {
  ADSHANDLE table = Open("MWTRN");
  ADSHANDLE order = Index(table, "IDXENTRYNUMBER");
  std::uint16_t bof = 0, eof = 0;
  ASSERT_EQ(0u, engine->AdsGotoBOF(order));
  engine->AdsAtBOF(table, &bof);
  engine->AdsAtEOF(table, &eof);
  EXPECT_EQ(1, bof);
  EXPECT_EQ(0, eof);
  engine->AdsSkip(order, 1);
  EXPECT_EQ(1, Int32(table, Record(table), "Entry Number"));
  engine->AdsSkip(order, -1);
  engine->AdsAtBOF(table, &bof);
  EXPECT_EQ(1, bof);
  engine->AdsSkip(order, -1);  // stays before the first row
  engine->AdsAtBOF(table, &bof);
  EXPECT_EQ(1, bof);
  engine->AdsSkip(order, 7);
  engine->AdsAtEOF(table, &eof);
  engine->AdsAtBOF(table, &bof);
  EXPECT_EQ(1, eof);
  EXPECT_EQ(0, bof);
  std::uint16_t visible = 1;
  EXPECT_EQ(ace::kNoCurrentRecord, engine->AdsIsRecordVisible(order, &visible));
  EXPECT_EQ(0, visible);
  engine->AdsSkip(order, -1);  // from EOF back onto the last row
  EXPECT_EQ(6, Int32(table, Record(table), "Entry Number"));
}

TEST_F(Navigation, ScopesGiveExactlyTheMatchingRowsAndCountsRespectThem) {
  ADSHANDLE table = Open("MWPAX");
  ADSHANDLE order = Index(table, "IDXCHARGEREFERENCE");
  std::int32_t key = 2;
  ASSERT_EQ(0u, engine->AdsSetScope(order, 1, &key, 4, 1)) << LastError();
  ASSERT_EQ(0u, engine->AdsSetScope(order, 2, &key, 4, 1)) << LastError();
  EXPECT_EQ((std::vector<std::int32_t>{5, 4}), Walk(order, table, "Payment Reference"));
  std::uint32_t count = 0;
  ASSERT_EQ(0u, engine->AdsGetRecordCount(order, 3, &count));
  EXPECT_EQ(2u, count);
  ASSERT_EQ(0u, engine->AdsGetRecordCount(order, 2, &count));
  EXPECT_EQ(4u, count);
  key = 9;  // no such charge: empty at once, both ends set
  engine->AdsSetScope(order, 1, &key, 4, 1);
  engine->AdsSetScope(order, 2, &key, 4, 1);
  ASSERT_EQ(0u, engine->AdsGotoTop(order));
  std::uint16_t bof = 0, eof = 0;
  engine->AdsAtBOF(table, &bof);
  engine->AdsAtEOF(table, &eof);
  EXPECT_EQ(1, bof);
  EXPECT_EQ(1, eof);
  engine->AdsClearAllScopes(table);
  EXPECT_EQ(4u, Walk(order, table, "Payment Reference").size());
}

TEST_F(Navigation, RawKeyOfNullAutoIncrementMatchesNoRow) {
  ADSHANDLE table = Open("MWTRN");
  ADSHANDLE order = Index(table, "IDXENTRYNUMBER");
  ASSERT_EQ(0u, engine->AdsInitRawKey(order));
  ASSERT_EQ(0u, engine->AdsSetEmpty(order, Field(table, "Entry Number"))) << LastError();
  std::uint8_t key[4083];
  std::uint16_t length = sizeof key;
  ASSERT_EQ(0u, engine->AdsBuildRawKey(order, key, &length));
  ASSERT_EQ(4, length);
  std::int32_t raw;
  std::memcpy(&raw, key, 4);
  EXPECT_EQ(-1, raw);
  engine->AdsSetScope(order, 1, key, length, 1);
  engine->AdsSetScope(order, 2, key, length, 1);
  EXPECT_TRUE(Walk(order, table, "Entry Number").empty());
  // A set field builds the key of that value.
  engine->AdsInitRawKey(order);
  std::int32_t four = 4;
  engine->AdsSetFieldRaw(order, Field(table, "Entry Number"), &four, 4);
  length = sizeof key;
  engine->AdsBuildRawKey(order, key, &length);
  engine->AdsSetScope(order, 1, key, length, 1);
  engine->AdsSetScope(order, 2, key, length, 1);
  EXPECT_EQ((std::vector<std::int32_t>{4}), Walk(order, table, "Entry Number"));
}

TEST_F(Navigation, BookmarksAndRecordNumbersAreRowIds) {
  ADSHANDLE table = Open("MWTRN");
  ADSHANDLE order = Index(table, "IDXCHARTNUMBER");
  engine->AdsGotoTop(order);
  engine->AdsSkip(order, 2);
  std::uint32_t recno = 0;
  engine->AdsGetRecordNum(table, 2, &recno);
  EXPECT_EQ(4u, recno);
  std::int32_t bookmark = 0;
  std::uint32_t length = 4;
  ASSERT_EQ(0u, engine->AdsGetBookmark60(order, &bookmark, &length));
  engine->AdsGotoTop(order);
  ASSERT_EQ(0u, engine->AdsGotoBookmark(table, bookmark));
  EXPECT_EQ(4, Int32(table, Record(table), "Entry Number"));
  // Moving on from a bookmark continues in the index order.
  engine->AdsSkip(order, 1);
  EXPECT_EQ(1, Int32(table, Record(table), "Entry Number"));
  EXPECT_EQ(ace::kRecordNotFound, engine->AdsGotoBookmark(table, 99));
}

TEST_F(Navigation, StaysCorrectWhileAnotherConnectionWrites) {
  ADSHANDLE table = Open("MWTRN");
  ADSHANDLE order = Index(table, "IDXENTRYNUMBER");
  engine->AdsGotoTop(order);
  engine->AdsSkip(order, 1);  // on entry 2
  // Another user deletes the next row and adds one at the end.
  practice.Execute("DELETE FROM MWTRN WHERE \"Entry Number\" = 3");
  auto other = NewEngine();
  ADSHANDLE second = Connect(other.get());
  ADSHANDLE otherTable = -1;
  ASSERT_EQ(0u, other->AdsOpenTable(second, "MWTRN", nullptr, 0, 1, 1, 1, 0, &otherTable));
  ASSERT_EQ(0u, other->AdsAppendRecord(otherTable));
  ASSERT_EQ(0u, other->AdsSetField(otherTable, Field(table, "Chart Number"), "Z", 1));
  ASSERT_EQ(0u, other->AdsWriteRecord(otherTable));
  std::vector<std::int32_t> rest;
  for (;;) {
    ASSERT_EQ(0u, engine->AdsSkip(order, 1));
    std::uint16_t eof = 0;
    engine->AdsAtEOF(table, &eof);
    if (eof) break;
    rest.push_back(Int32(table, Record(table), "Entry Number"));
  }
  EXPECT_EQ((std::vector<std::int32_t>{4, 5, 6, 7}), rest);
}

// One charge's applications after another, as a detail table follows its master: on a server
// practice the later charges' rows are read ahead with the first, and every write since (this
// connection's own, through another of its tables, and another user's) must still show, whether
// it changes a charge's first row or gives a charge without applications one.
TEST_F(Navigation, ScopedLookUpsInKeyOrderSeeEveryWriteMadeBeforeThem) {
  ADSHANDLE table = Open("MWPAX");
  ADSHANDLE order = Index(table, "IDXCHARGEREFERENCE");
  auto other = NewEngine();
  ADSHANDLE otherTable = -1;
  ASSERT_EQ(0u, other->AdsOpenTable(Connect(other.get()), "MWPAX", nullptr, 0, 1, 1, 1, 0, &otherTable));
  ADSHANDLE sameConnection = Open("MWPAX");

  auto paymentsOf = [&](std::int32_t charge) {
    EXPECT_EQ(0u, engine->AdsSetScope(order, 1, &charge, 4, 1)) << LastError();
    EXPECT_EQ(0u, engine->AdsSetScope(order, 2, &charge, 4, 1)) << LastError();
    return Walk(order, table, "Payment Reference");
  };
  using Payments = std::vector<std::int32_t>;
  // Another user's write shows once this connection learns of it: at once on an embedded
  // practice; on a server practice when the server's announcement of it arrives, which takes a
  // moment but far less than the half second after which rows read ahead are read again anyway.
  auto soon = [&](std::int32_t charge, const Payments& expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    Payments got = paymentsOf(charge);
    while (got != expected && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      got = paymentsOf(charge);
    }
    return got;
  };
  auto append = [&](ace::AceApi& api, ADSHANDLE pax, std::int32_t payment, std::int32_t charge) {
    ASSERT_EQ(0u, api.AdsAppendRecord(pax));
    api.AdsSetFieldRaw(pax, Field(table, "Payment Reference"), &payment, 4);
    api.AdsSetFieldRaw(pax, Field(table, "Charge Reference"), &charge, 4);
    ASSERT_EQ(0u, api.AdsWriteRecord(pax)) << LastError();
  };

  EXPECT_EQ(Payments{6}, paymentsOf(1));
  EXPECT_EQ((Payments{5, 4}), paymentsOf(2));
  EXPECT_EQ((Payments{5, 4}), paymentsOf(2));
  // Another user moves payment 5 (record 1) from charge 2 to charge 9, then applies payment 8
  // to charge 5.
  ASSERT_EQ(0u, other->AdsGotoRecord(otherTable, 1));
  const std::int32_t nine = 9;
  ASSERT_EQ(0u, other->AdsSetFieldRaw(otherTable, Field(table, "Charge Reference"), &nine, 4));
  ASSERT_EQ(0u, other->AdsWriteRecord(otherTable));
  EXPECT_EQ(Payments{4}, soon(2, {4}));
  EXPECT_EQ(Payments{3}, paymentsOf(3));
  append(*other, otherTable, 8, 5);
  EXPECT_EQ(Payments{8}, soon(5, {8}));
  // This connection applies payment 7 to charge 6 through another of its tables.
  append(*engine, sameConnection, 7, 6);
  EXPECT_EQ(Payments{7}, paymentsOf(6));
  EXPECT_EQ(Payments{}, paymentsOf(4));
  EXPECT_EQ(Payments{5}, paymentsOf(9));
}

}  // namespace
}  // namespace lw::test

namespace lw::test {
namespace {

class CompoundKeys : public EngineTest {
 protected:
  void SetUp() override {
    // Chart / case / entry: the PRIMARY index's first keys.
    const std::pair<const char*, int> rows[] = {{"B", 2}, {"A", 2}, {"B", 1}, {"A", 1}, {"B", 1}, {"C", 1}};
    for (const auto& [chart, kase] : rows) {
      practice.Insert("MWTRN", {{"Chart Number", std::string(chart)}, {"Case Number", std::int64_t(kase)}});
    }
    table = Open("MWTRN");
    order = Index(table, "PRIMARY");
  }

  std::string Key(const char* chart, std::int32_t* kase) {
    engine->AdsInitRawKey(order);
    engine->AdsSetField(order, Field(table, "Chart Number"), chart, static_cast<std::uint32_t>(std::strlen(chart)));
    if (kase != nullptr) engine->AdsSetFieldRaw(order, Field(table, "Case Number"), kase, 4);
    char key[4083];
    std::uint16_t length = sizeof key;
    EXPECT_EQ(0u, engine->AdsBuildRawKey(order, key, &length));
    return std::string(key, length);
  }

  void Scope(const std::string& top, const std::string& bottom) {
    ASSERT_EQ(0u, engine->AdsSetScope(order, 1, top.data(), static_cast<std::uint16_t>(top.size()), 1)) << LastError();
    ASSERT_EQ(0u, engine->AdsSetScope(order, 2, bottom.data(), static_cast<std::uint16_t>(bottom.size()), 1));
  }

  ADSHANDLE table = -1, order = -1;
};

TEST_F(CompoundKeys, OrdersByEveryKeyColumnThenRecordNumber) {
  EXPECT_EQ((std::vector<std::int32_t>{4, 2, 3, 5, 1, 6}), Walk(order, table, "Entry Number"));
  EXPECT_EQ((std::vector<std::int32_t>{6, 1, 5, 3, 2, 4}), Walk(order, table, "Entry Number", true));
  std::uint16_t keyLength = 0;
  engine->AdsGetKeyLength(order, &keyLength);
  EXPECT_EQ(8 + 4 + 4 + 2, keyLength);
}

TEST_F(CompoundKeys, AKeyPrefixScopesOnItsColumnsAndAFullerKeyNarrows) {
  std::string b = Key("B", nullptr);
  EXPECT_EQ(8u, b.size());
  Scope(b, b);
  EXPECT_EQ((std::vector<std::int32_t>{3, 5, 1}), Walk(order, table, "Entry Number"));
  std::int32_t one = 1;
  std::string b1 = Key("B", &one);
  Scope(b1, b1);
  EXPECT_EQ((std::vector<std::int32_t>{3, 5}), Walk(order, table, "Entry Number"));
  // A range between two charts, inclusive at both ends.
  Scope(Key("A", nullptr), b);
  EXPECT_EQ((std::vector<std::int32_t>{4, 2, 3, 5, 1}), Walk(order, table, "Entry Number"));
  std::uint32_t count = 0;
  engine->AdsGetRecordCount(order, 3, &count);
  EXPECT_EQ(5u, count);
  // A row reached some other way is not visible through the scoped order.
  engine->AdsGotoRecord(table, 6);
  std::uint16_t visible = 1;
  ASSERT_EQ(0u, engine->AdsIsRecordVisible(order, &visible));
  EXPECT_EQ(0, visible);
  ASSERT_EQ(0u, engine->AdsIsRecordVisible(table, &visible));
  EXPECT_EQ(1, visible);
}

TEST_F(CompoundKeys, TheNextMoveFollowsTheKeyOrderAfterTheCurrentRowsKeyChanged) {
  engine->AdsGotoTop(order);
  engine->AdsSkip(order, 1);  // on entry 2 (A, 2)
  // Another user moves entry 3 (B, 1) before the cursor and entry 4 (A, 1) after it.
  practice.Execute("UPDATE MWTRN SET \"Chart Number\" = 'A' WHERE \"Entry Number\" = 3");
  practice.Execute("UPDATE MWTRN SET \"Chart Number\" = 'D' WHERE \"Entry Number\" = 4");
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // longer than a snapshot lives
  std::vector<std::int32_t> rest;
  for (;;) {
    engine->AdsSkip(order, 1);
    std::uint16_t eof = 0;
    engine->AdsAtEOF(table, &eof);
    if (eof) break;
    rest.push_back(Int32(table, Record(table), "Entry Number"));
  }
  EXPECT_EQ((std::vector<std::int32_t>{5, 1, 6, 4}), rest);
}

TEST_F(CompoundKeys, ShortBuffersAreReportedWithTheSizeNeeded) {
  engine->AdsGotoTop(order);
  std::vector<std::uint8_t> small(10);
  std::uint32_t length = 10;
  EXPECT_EQ(ace::kInsufficientBuffer, engine->AdsGetRecord(table, small.data(), &length));
  EXPECT_EQ(1035u, length);
  char name[4];
  std::uint16_t nameLength = sizeof name;
  EXPECT_EQ(ace::kInsufficientBuffer, engine->AdsGetFieldName(table, 1, name, &nameLength));
  EXPECT_EQ(12, nameLength);
  std::uint16_t type = 0;
  EXPECT_EQ(ace::kInvalidFieldNumber, engine->AdsGetFieldType(table, 123, &type));
  EXPECT_EQ(ace::kInvalidFieldNumber, engine->AdsGetFieldType(table, 0, &type));
  EXPECT_EQ(ace::kInvalidHandle, engine->AdsGetNumSegments(table, &type));  // a cursor is no index
}

}  // namespace
}  // namespace lw::test
