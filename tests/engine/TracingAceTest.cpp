// The tracing decorator: every call recorded with its arguments and result, and planned
// failures that set the thread's last error.

#include <stdexcept>

#include "tests/engine/EngineTestSupport.h"
#include "tests/support/ace/TracingAce.h"

namespace lw::test {
namespace {

class Tracing : public EngineTest {};

TEST_F(Tracing, RecordsCallsWithArgumentsAndResults) {
  ace::TracingAce tracing(*engine);
  ADSHANDLE connection = 0;
  ASSERT_EQ(0u, tracing.AdsConnect60(practice.ConnectPath().c_str(), 3, "user", "vortelin", 0, &connection));
  ADSHANDLE table = -1;
  EXPECT_EQ(ace::kNotInDictionary, tracing.AdsOpenTable(connection, "NOSUCH", nullptr, 0, 1, 1, 1, 0, &table));
  ASSERT_EQ(2u, tracing.Calls().size());
  EXPECT_EQ("AdsConnect60", tracing.Calls()[0].function);
  EXPECT_EQ("\"" + practice.ConnectPath() + "\", 3, \"user\", \"vortelin\", 0, out", tracing.Calls()[0].arguments);
  EXPECT_EQ(0u, tracing.Calls()[0].result);
  EXPECT_EQ(std::to_string(connection) + ", \"NOSUCH\", null, 0, 1, 1, 1, 0, out", tracing.Calls()[1].arguments);
  EXPECT_EQ(ace::kNotInDictionary, tracing.Calls()[1].result);
  EXPECT_EQ(1, tracing.CountOf("AdsOpenTable"));
  EXPECT_EQ((std::vector<std::string>{"AdsConnect60", "AdsOpenTable"}), tracing.Names());
}

TEST_F(Tracing, TheNthCallOfAFunctionFailsWithTheChosenCodeAndText) {
  ace::TracingAce tracing(*engine);
  ADSHANDLE connection = 0;
  ASSERT_EQ(0u, tracing.AdsConnect60(practice.ConnectPath().c_str(), 3, "user", "vortelin", 0, &connection));
  tracing.FailNth("AdsOpenTable", 2, 7008, "planned failure");
  ADSHANDLE first = -1, second = -1, third = -1;
  EXPECT_EQ(0u, tracing.AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &first));
  EXPECT_EQ(7008u, tracing.AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &second));
  EXPECT_EQ(-1, second);  // the inner engine was not called
  std::uint32_t code = 0;
  char text[600];
  std::uint16_t length = sizeof text;
  tracing.AdsGetLastError(&code, text, &length);
  EXPECT_EQ(7008u, code);
  EXPECT_STREQ("planned failure", text);
  EXPECT_TRUE(tracing.CallsOf("AdsOpenTable")[1].injected);
  EXPECT_EQ(0u, tracing.AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &third));
  tracing.FailNth("AdsSkip", 1, ace::kRecordLocked);
  EXPECT_EQ(ace::kRecordLocked, tracing.AdsSkip(first, 1));
  length = sizeof text;
  tracing.AdsGetLastError(&code, text, &length);
  EXPECT_STREQ(ace::AceErrorText(ace::kRecordLocked), text);
}

TEST_F(Tracing, ASecondFailurePlannedForTheSameCallIsRefused) {
  ace::TracingAce tracing(*engine);
  ADSHANDLE connection = 0;
  ASSERT_EQ(0u, tracing.AdsConnect60(practice.ConnectPath().c_str(), 3, "user", "vortelin", 0, &connection));
  ADSHANDLE table = -1;
  ASSERT_EQ(0u, tracing.AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table));
  tracing.FailNth("AdsSkip", 2, ace::kRecordLocked);
  EXPECT_THROW(tracing.FailNth("AdsSkip", 2, ace::kInternalError), std::invalid_argument);
  EXPECT_THROW(tracing.FailNth("AdsSkip", 0, ace::kInternalError), std::invalid_argument) << "calls count from 1";
  tracing.FailNth("AdsGotoTop", 2, ace::kInternalError);  // another function's second call is another call
  EXPECT_EQ(0u, tracing.AdsSkip(table, 1));
  // Counted from now, the call planned as the second is the next one.
  EXPECT_THROW(tracing.FailNth("AdsSkip", 1, ace::kInternalError), std::invalid_argument);
  tracing.FailNth("AdsSkip", 2, ace::kInternalError);
  EXPECT_EQ(ace::kRecordLocked, tracing.AdsSkip(table, 1)) << "the first plan stands";
  EXPECT_EQ(ace::kInternalError, tracing.AdsSkip(table, 1));
  EXPECT_EQ(0u, tracing.AdsSkip(table, 1));
  tracing.ClearFailures();
  tracing.FailNth("AdsGotoTop", 2, ace::kRecordLocked);  // the dropped plan no longer stands in the way
}

}  // namespace
}  // namespace lw::test
