#pragma once
// Engine tests: a practice fixture, an engine connected to it, and small readers of record images.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/ace/AceApi.h"
#include "data/ace/AceErrors.h"
#include "engine/Dictionary.h"
#include "engine/Engine.h"
#include "tests/support/PracticeFixture.h"
#include "tests/support/TestEngine.h"

namespace lw::test {

using ace::ADSHANDLE;

// The number of `table`'s column `name` (matched without regard to case), or 0 when it has none.
inline std::uint32_t FieldNumber(ace::AceApi& api, ADSHANDLE table, const std::string& name) {
  std::uint16_t count = 0;
  api.AdsGetNumFields(table, &count);
  for (std::uint16_t i = 1; i <= count; ++i) {
    char buffer[129];
    std::uint16_t length = sizeof buffer;
    api.AdsGetFieldName(table, i, buffer, &length);
    if (strcasecmp(buffer, name.c_str()) == 0) return i;
  }
  return 0;
}

// Connects `api` to the practice as the practice's user and opens `tableName`; false on any
// failure. For processes of their own, which have no test to report to.
inline bool ConnectAndOpen(ace::AceApi& api, const PracticeFixture& practice, const char* tableName, ADSHANDLE& table) {
  ADSHANDLE connection = 0;
  return api.AdsConnect60(practice.ConnectPath().c_str(), 3, engine::kPracticeUser, engine::kPracticePassword, 0,
                          &connection) == 0 &&
         api.AdsOpenTable(connection, tableName, nullptr, 0, 1, 1, 1, 0, &table) == 0;
}

class EngineTest : public ::testing::Test {
 protected:
  explicit EngineTest(const PracticeOptions& options = {}) : practice(options), engine(NewEngine()) {}

  ADSHANDLE Connect(ace::AceApi* api = nullptr) {
    ace::AceApi& e = api ? *api : *engine;
    ADSHANDLE handle = 0;
    EXPECT_EQ(0u, e.AdsConnect60(practice.ConnectPath().c_str(), 3, engine::kPracticeUser, engine::kPracticePassword, 0,
                                 &handle))
        << LastError();
    return handle;
  }

  ADSHANDLE Open(const char* name, ADSHANDLE connection = 0) {
    if (connection == 0) connection = Conn();
    ADSHANDLE table = -1;
    EXPECT_EQ(0u, engine->AdsOpenTable(connection, name, nullptr, 0, 1, 1, 1, 0, &table)) << LastError();
    return table;
  }

  ADSHANDLE Conn() {
    if (connection_ == 0) connection_ = Connect();
    return connection_;
  }

  ADSHANDLE Index(ADSHANDLE table, const char* name) {
    ADSHANDLE index = -1;
    EXPECT_EQ(0u, engine->AdsGetIndexHandle(table, name, &index)) << LastError();
    return index;
  }

  std::uint32_t Field(ADSHANDLE table, const std::string& name) {
    const std::uint32_t field = FieldNumber(*engine, table, name);
    if (field == 0) ADD_FAILURE() << "no column " << name;
    return field;
  }

  std::vector<std::uint8_t> Record(ADSHANDLE table) {
    std::uint32_t length = 0;
    engine->AdsGetRecordLength(table, &length);
    std::vector<std::uint8_t> image(length);
    EXPECT_EQ(0u, engine->AdsGetRecord(table, image.data(), &length)) << LastError();
    return image;
  }

  // The bytes of a column in a record image.
  std::vector<std::uint8_t> Bytes(ADSHANDLE table, const std::vector<std::uint8_t>& image, const std::string& name) {
    std::uint32_t field = Field(table, name), offset = 0, length = 0;
    engine->AdsGetFieldOffset(table, field, &offset);
    engine->AdsGetFieldLength(table, field, &length);
    return std::vector<std::uint8_t>(image.begin() + offset, image.begin() + offset + length);
  }

  std::int32_t Int32(ADSHANDLE table, const std::vector<std::uint8_t>& image, const std::string& name) {
    auto bytes = Bytes(table, image, name);
    std::int32_t value;
    std::memcpy(&value, bytes.data(), 4);
    return value;
  }

  double Double(ADSHANDLE table, const std::vector<std::uint8_t>& image, const std::string& name) {
    auto bytes = Bytes(table, image, name);
    double value;
    std::memcpy(&value, bytes.data(), 8);
    return value;
  }

  std::string Text(ADSHANDLE table, const std::vector<std::uint8_t>& image, const std::string& name) {
    auto bytes = Bytes(table, image, name);
    return std::string(bytes.begin(), bytes.end());
  }

  // The values of an integer column on every row from the top, moving through `order`.
  std::vector<std::int32_t> Walk(ADSHANDLE order, ADSHANDLE table, const std::string& column, bool backwards = false) {
    std::vector<std::int32_t> values;
    if (backwards) {
      engine->AdsGotoBOF(order);
      // From the end: skip forward to EOF, then back.
      std::uint16_t eof = 0;
      while (!eof) {
        engine->AdsSkip(order, 1);
        engine->AdsAtEOF(table, &eof);
      }
      for (;;) {
        engine->AdsSkip(order, -1);
        std::uint16_t bof = 0;
        engine->AdsAtBOF(table, &bof);
        if (bof) break;
        values.push_back(Int32(table, Record(table), column));
      }
      return values;
    }
    EXPECT_EQ(0u, engine->AdsGotoTop(order)) << LastError();
    for (;;) {
      std::uint16_t eof = 0;
      engine->AdsAtEOF(table, &eof);
      if (eof) break;
      values.push_back(Int32(table, Record(table), column));
      EXPECT_EQ(0u, engine->AdsSkip(order, 1)) << LastError();
    }
    return values;
  }

  // The engine's last error as "code text", its code alone, or its text alone.
  std::string LastError() {
    const auto [code, text] = LastErrorOfEngine();
    return std::to_string(code) + " " + text;
  }
  std::uint32_t LastCode() { return LastErrorOfEngine().first; }
  std::string LastErrorText() { return LastErrorOfEngine().second; }
  std::pair<std::uint32_t, std::string> LastErrorOfEngine() {
    std::uint32_t code = 0;
    char text[600];
    std::uint16_t length = sizeof text;
    engine->AdsGetLastError(&code, text, &length);
    return {code, text};
  }

  PracticeFixture practice;
  std::unique_ptr<ace::AceApi> engine;

 private:
  ADSHANDLE connection_ = 0;
};

}  // namespace lw::test
