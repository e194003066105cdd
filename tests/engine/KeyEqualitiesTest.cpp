// The key equalities added to a SELECT's condition so a store can use its indexes must follow
// from the condition as written; wherever that is not certain the statement stays as it is.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/ace/AceTypes.h"
#include "engine/KeyEqualities.h"

namespace lw::test {
namespace {

namespace ColumnType = ace::ColumnType;

using engine::Value;

engine::ColumnDef Column(const char* name, std::uint16_t type) {
  engine::ColumnDef column;
  column.name = name;
  column.type = type;
  column.storage = engine::StorageOf(type);
  column.sqlName = std::string("\"") + name + "\"";
  return column;
}

class KeyEqualities : public ::testing::Test {
 protected:
  KeyEqualities() {
    table.name = "MWTRN";
    table.sqlName = "\"mwtrn\"";
    table.columns = {Column("Chart Number", ColumnType::kString), Column("Case Number", ColumnType::kInteger),
                     Column("Description", ColumnType::kString), Column("Name", ColumnType::kCIString),
                     Column("Entry Number", ColumnType::kAutoInc)};
    table.indexes.resize(4);
    table.indexes[0].segments = {0};
    table.indexes[1].segments = {2, 1};  // "Case Number" leads no index
    table.indexes[2].segments = {3};
    table.indexes[3].segments = {4};
  }

  std::string With(const std::string& fromWhereOrder, std::vector<Value> binds = {Value::Text("P1"), Value::Int(3)}) {
    return engine::WithKeyEqualities(fromWhereOrder, table, binds,
                                     [](const engine::ColumnDef& column, const std::string& placeholder) {
                                       return "KEY(" + column.sqlName + ") = " + placeholder;
                                     });
  }

  engine::TableDef table;
};

constexpr const char* kChartKeys = " AND KEY(\"Chart Number\") = ?1";

TEST_F(KeyEqualities, ALeadingColumnEqualToAValueOfItsKindIsSaidOnItsKeysToo) {
  EXPECT_EQ(std::string("FROM \"mwtrn\" WHERE \"Chart Number\" = ?1") + kChartKeys,
            With("FROM \"mwtrn\" WHERE \"Chart Number\" = ?1"));
  // Among other conditions joined by AND, before the order and the limit.
  EXPECT_EQ(std::string("FROM \"mwtrn\" WHERE instr((?3), (\"Transaction Type\")) > - ?2 AND \"Chart Number\" = ?1") +
                kChartKeys + " ORDER BY \"Entry Number\" LIMIT 5",
            With("FROM \"mwtrn\" WHERE instr((?3), (\"Transaction Type\")) > - ?2 AND \"Chart Number\" = ?1 ORDER BY "
                 "\"Entry Number\" LIMIT 5",
                 {Value::Text("P1"), Value::Int(-1), Value::Text("ABC")}));
  // An integer column with an integer value; a conjunct in brackets of its own is another
  // expression and is left alone.
  EXPECT_EQ("FROM \"mwtrn\" WHERE (\"Chart Number\" = ?1) AND \"Entry Number\" = ?2 AND KEY(\"Entry Number\") = ?2",
            With("FROM \"mwtrn\" WHERE (\"Chart Number\" = ?1) AND \"Entry Number\" = ?2"));
}

TEST_F(KeyEqualities, AnythingThatMightNotImplyTheEqualityLeavesTheStatementAsItIs) {
  const std::vector<std::string> unchanged = {
      "FROM \"mwtrn\" WHERE \"Chart Number\" = ?1 OR \"Case Number\" = ?2",
      "FROM \"mwtrn\" WHERE NOT \"Case Number\" = ?2 AND \"Chart Number\" = ?1",
      "FROM \"mwtrn\" WHERE CASE WHEN \"Case Number\" = ?2 AND \"Chart Number\" = ?1 AND 1 = 1 THEN 1 END = 1",
      "FROM \"mwtrn\" WHERE \"Case Number\" BETWEEN ?2 AND \"Chart Number\" = ?1",
      "FROM \"mwtrn\", \"mwpax\" WHERE \"Chart Number\" = ?1",
      "FROM \"mwtrn\" m WHERE \"Chart Number\" = ?1",
      "FROM \"mwtrn\" WHERE \"Chart Number\" = ?2",                   // an integer for a text column
      "FROM \"mwtrn\" WHERE \"Case Number\" = ?2",                    // leads no index
      "FROM \"mwtrn\" WHERE \"Name\" = ?1",                           // keys folded to lower case
      "FROM \"mwtrn\" WHERE \"Chart Number\" = ?1 || 'x'",            // not the value alone
      "FROM \"mwtrn\" WHERE \"Chart Number\" = ?9",                   // no such value
      "FROM \"mwtrn\" WHERE \"Chart Number\" = ?",                    // unnumbered
      "FROM \"mwtrn\" WHERE \"Chart Number\" = ?1 AND (\"x\" = ')'",  // unbalanced
      "FROM \"mwtrn\" ORDER BY \"Chart Number\"",
  };
  for (const std::string& sql : unchanged) EXPECT_EQ(sql, With(sql));
  EXPECT_EQ("FROM \"mwtrn\" WHERE \"Chart Number\" = ?1",
            With("FROM \"mwtrn\" WHERE \"Chart Number\" = ?1", {Value()}));
}

}  // namespace
}  // namespace lw::test
