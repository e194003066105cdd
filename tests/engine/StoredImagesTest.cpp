// Record images kept beside the rows: their stored form, that a write by anyone else makes the
// engine read the row's columns again, that the engine's own writes keep the image current, and
// that an older dictionary gets its images on first write access.

#include <random>

#include "engine/StoredImages.h"
#include "tests/engine/EngineTestSupport.h"

namespace lw::test {
namespace {

TEST(StoredImageForm, EveryImageRoundTripsAndDamagedFormsAreRefused) {
  std::mt19937 random(7);
  for (std::uint32_t length : {1u, 2u, 5u, 64u, 300u, 5000u}) {
    std::vector<std::uint8_t> null(length), image(length), back(length);
    for (auto& byte : null) byte = static_cast<std::uint8_t>(random() % 3 == 0 ? ' ' : 0);
    for (int round = 0; round < 50; ++round) {
      image = null;
      // Differences anywhere: none, single bytes, runs, runs with small and large gaps, both ends.
      int changes = static_cast<int>(random() % 12);
      for (int i = 0; i < changes; ++i) {
        std::uint32_t at = random() % length;
        std::uint32_t run = 1 + random() % 9;
        for (std::uint32_t j = at; j < length && j < at + run; ++j) image[j] = static_cast<std::uint8_t>(random());
      }
      if (round % 5 == 0) image[0] = static_cast<std::uint8_t>(null[0] + 1);
      if (round % 7 == 0) image[length - 1] = static_cast<std::uint8_t>(null[length - 1] + 1);
      std::string stored;
      engine::EncodeImage(image.data(), null.data(), length, stored);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(stored.data());
      ASSERT_TRUE(engine::DecodeImage(bytes, stored.size(), null.data(), length, back.data()));
      ASSERT_EQ(image, back) << length << " " << round;
      // Another record length, or a form cut short inside a run, is no image of this table.
      EXPECT_FALSE(engine::DecodeImage(bytes, stored.size(), null.data(), length + 1, back.data()));
      if (stored.size() > 2 && image != null) {
        EXPECT_FALSE(engine::DecodeImage(bytes, stored.size() - 1, null.data(), length, back.data()));
      }
    }
  }
  // A run reaching past the end of the image is refused, not written out of bounds.
  std::vector<std::uint8_t> null(4, 0), back(4);
  const std::uint8_t beyond[] = {4, 3, 2, 9, 9};
  EXPECT_FALSE(engine::DecodeImage(beyond, sizeof beyond, null.data(), 4, back.data()));
}

class StoredImages : public EngineTest {
 protected:
  void SetUp() override {
    if (practice.OnServer()) GTEST_SKIP() << "images are kept by the embedded engine";
    practice.Insert("MWTRN", {{"Chart Number", std::string("AAA")},
                              {"Insurance 1 Amount Paid", 10.0},
                              {"Date From", std::string("2024-02-29")},
                              {"Description", std::string("before")}});
    practice.Insert("MWTRN", {{"Chart Number", std::string("BBB")}, {"Description", std::string("second")}});
  }

  std::int64_t StoredCount() { return *practice.QueryInt("SELECT count(*) FROM lw_images_1"); }

  // Every row's image as the engine reads it, in record-number order.
  std::vector<std::vector<std::uint8_t>> Images() {
    ADSHANDLE connection = Connect();
    ADSHANDLE table = Open("MWTRN", connection);
    std::vector<std::vector<std::uint8_t>> images;
    EXPECT_EQ(0u, engine->AdsGotoTop(table));
    for (;;) {
      std::uint16_t eof = 0;
      engine->AdsAtEOF(table, &eof);
      if (eof) break;
      images.push_back(Record(table));
      engine->AdsSkip(table, 1);
    }
    engine->AdsCloseTable(table);
    engine->AdsDisconnect(connection);
    return images;
  }
};

TEST_F(StoredImages, StoredImagesAreTheBytesTheColumnsGive) {
  ASSERT_EQ(2, StoredCount());
  auto stored = Images();
  practice.Execute("DELETE FROM lw_images_1");
  auto fromColumns = Images();
  ASSERT_EQ(2u, stored.size());
  EXPECT_EQ(fromColumns, stored);
}

TEST_F(StoredImages, AnotherProgramsWriteIsReadFromTheColumns) {
  ADSHANDLE table = Open("MWTRN");
  // The sqlite3 shell, say: it knows nothing of images, and the triggers drop them.
  practice.Execute("INSERT OR REPLACE INTO MWTRN (rowid, \"Entry Number\", \"Description\") VALUES (1, 1, 'replaced')");
  EXPECT_EQ(1, StoredCount());
  practice.Execute("UPDATE MWTRN SET \"Description\" = 'theirs' WHERE rowid = 2");
  EXPECT_EQ(0, StoredCount());
  auto images = Images();
  ASSERT_EQ(2u, images.size());
  EXPECT_EQ("replaced", Text(table, images[0], "Description").substr(0, 8));
  EXPECT_NE(10.0, Double(table, images[0], "Insurance 1 Amount Paid"));
  EXPECT_EQ("theirs", Text(table, images[1], "Description").substr(0, 6));
  practice.Insert("MWTRN", {{"Chart Number", std::string("DDD")}});
  EXPECT_EQ(1, StoredCount());
  practice.Execute("DELETE FROM MWTRN WHERE rowid = 3");
  EXPECT_EQ(0, StoredCount());
  EXPECT_EQ(2u, Images().size());
}

TEST_F(StoredImages, TheEnginesWritesKeepTheImageCurrent) {
  ADSHANDLE table = Open("MWTRN");
  ASSERT_EQ(0u, engine->AdsGotoTop(table));
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 0));
  double amount = 12.5;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, "Insurance 1 Amount Paid"), &amount, 8));
  ASSERT_EQ(0u, engine->AdsWriteRecord(table)) << LastError();
  ASSERT_EQ(0u, engine->AdsUnlockRecord(table, 1));
  ASSERT_EQ(0u, engine->AdsAppendRecord(table));
  ASSERT_EQ(0u, engine->AdsSetField(table, Field(table, "Chart Number"), "CCC", 3));
  ASSERT_EQ(0u, engine->AdsWriteRecord(table)) << LastError();
  ADSHANDLE statement = -1, result = -1;
  ASSERT_EQ(0u, engine->AdsCreateSQLStatement(Conn(), &statement));
  ASSERT_EQ(0u, engine->AdsPrepareSQL(statement,
                                      "UPDATE MWTRN SET \"Description\" = 'by sql' WHERE \"Chart Number\" = 'BBB'"))
      << LastError();
  ASSERT_EQ(0u, engine->AdsExecuteSQL(statement, &result)) << LastError();
  EXPECT_EQ(3, StoredCount());
  auto stored = Images();
  ASSERT_EQ(3u, stored.size());
  EXPECT_EQ(12.5, Double(table, stored[0], "Insurance 1 Amount Paid"));
  EXPECT_EQ("by sql", Text(table, stored[1], "Description").substr(0, 6));
  EXPECT_EQ("CCC", Text(table, stored[2], "Chart Number").substr(0, 3));
  practice.Execute("DELETE FROM lw_images_1");
  EXPECT_EQ(Images(), stored);
}

TEST_F(StoredImages, AnOlderDictionaryGetsItsImagesOnFirstWriteAccess) {
  auto before = Images();
  // A dictionary as written before images were kept.
  practice.Execute(
      "DROP TRIGGER lw_images_1_insert; DROP TRIGGER lw_images_1_update; DROP TRIGGER lw_images_1_delete;"
      "DROP TRIGGER lw_images_2_insert; DROP TRIGGER lw_images_2_update; DROP TRIGGER lw_images_2_delete;"
      "DROP TABLE lw_images_1; DROP TABLE lw_images_2; DELETE FROM lw_meta WHERE key = 'images';"
      "UPDATE MWTRN SET \"Description\" = 'older' WHERE rowid = 2");
  EXPECT_FALSE(practice.QueryInt("SELECT 1 FROM sqlite_master WHERE type = 'trigger'"));
  auto older = Images();  // this connection upgrades the file
  EXPECT_EQ(2, StoredCount());
  EXPECT_EQ("complete", practice.QueryText("SELECT value FROM lw_meta WHERE key = 'images'"));
  EXPECT_EQ(6, practice.QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'"));
  ASSERT_EQ(2u, older.size());
  EXPECT_EQ(before[0], older[0]);
  ADSHANDLE table = Open("MWTRN");
  EXPECT_EQ("older", Text(table, older[1], "Description").substr(0, 5));
  practice.Execute("DELETE FROM lw_images_1");
  EXPECT_EQ(older, Images());
}

}  // namespace
}  // namespace lw::test
