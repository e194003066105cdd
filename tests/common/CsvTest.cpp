#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/Csv.h"

namespace {

std::vector<lw::CsvRecord> ReadAll(const std::string& text) {
  std::istringstream in(text);
  lw::CsvReader reader(in);
  std::vector<lw::CsvRecord> records;
  while (auto record = reader.Next()) records.push_back(std::move(*record));
  return records;
}

}  // namespace

TEST(Csv, OneLeadingByteOrderMarkIsSkippedAndAFieldStartingWithOneSurvivesARoundTrip) {
  const std::string bom = "\xEF\xBB\xBF";
  auto records = ReadAll(bom + bom + "x,y\r\n");
  ASSERT_EQ(records.size(), 1u);
  ASSERT_EQ(records[0].fields.size(), 2u);
  EXPECT_EQ(records[0].fields[0].text, bom + "x");

  std::ostringstream out;
  lw::WriteCsvRecord(out, {records[0].fields[0].text, records[0].fields[1].text}, {false, false});
  auto back = ReadAll(out.str());
  ASSERT_EQ(back.size(), 1u);
  ASSERT_EQ(back[0].fields.size(), 2u);
  EXPECT_EQ(back[0].fields[0].text, bom + "x");
  EXPECT_EQ(back[0].fields[1].text, "y");
}
