#include "tests/pgengine/ServerFailureSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "pgengine/ServerDescriptor.h"

namespace lw::test {

using Clock = std::chrono::steady_clock;

std::uint32_t HookedAce::AdsLockRecord(ace::ADSHANDLE table, std::uint32_t recordNumber) {
  const std::uint32_t result = TracingAce::AdsLockRecord(table, recordNumber);
  if (result == 0 && afterLock) afterLock(++locks_);
  return result;
}

std::uint32_t HookedAce::AdsWriteRecord(ace::ADSHANDLE table) {
  if (beforeWrite) beforeWrite(++writes_);
  return TracingAce::AdsWriteRecord(table);
}

AdminSession::AdminSession(const std::string& conninfo) : session_(conninfo) {}

std::string AdminSession::Text(const std::string& sql) {
  pgengine::Result result;
  engine::Status status = pgengine::Run(session_.pg(), sql, {}, result);
  if (!status.ok()) throw std::runtime_error(status.text() + " in: " + sql);
  if (result.Rows() == 0 || result.IsNull(0, 0)) return {};
  return std::string(result.Text(0, 0), result.Length(0, 0));
}

namespace {

constexpr const char* kThisDatabase = "(SELECT oid FROM pg_database WHERE datname = current_database())";

}  // namespace

int AdminSession::EndLockHolders() {
  // pg_terminate_backend with a timeout returns once the session has ended.
  return static_cast<int>(
      Int(std::string("SELECT count(*) FILTER (WHERE pg_terminate_backend(pid, 10000)) FROM (SELECT DISTINCT pid FROM "
                      "pg_locks WHERE locktype = 'advisory' AND granted AND pid <> pg_backend_pid() AND database = ") +
          kThisDatabase + ") holders"));
}

std::int64_t AdminSession::RecordLocksHeld() {
  return Int(std::string("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND database = ") + kThisDatabase);
}

int AdminSession::WaitForBlockedStatement(const std::string& statementStart, std::chrono::seconds limit) {
  const auto deadline = Clock::now() + limit;
  const std::string sql =
      "SELECT pid FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid() AND "
      "wait_event_type = 'Lock' AND query LIKE '" +
      statementStart + "%' LIMIT 1";
  while (Clock::now() < deadline) {
    if (std::string pid = Text(sql); !pid.empty()) return std::stoi(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return 0;
}

std::vector<int> AdminSession::OtherSessions() {
  std::vector<int> pids;
  const std::string list = Text(
      "SELECT string_agg(pid::text, ',') FROM pg_stat_activity WHERE datname = current_database() AND pid <> "
      "pg_backend_pid()");
  for (std::size_t at = 0; at < list.size();) {
    std::size_t comma = list.find(',', at);
    if (comma == std::string::npos) comma = list.size();
    pids.push_back(std::stoi(list.substr(at, comma - at)));
    at = comma + 1;
  }
  return pids;
}

bool AdminSession::EndSession(int pid) {
  return Text("SELECT pg_terminate_backend(" + std::to_string(pid) + ", 10000)") == "t";
}

WriteInterrupter::WriteInterrupter(const std::string& conninfo) : conninfo_(conninfo) {}

WriteInterrupter::~WriteInterrupter() {
  if (watcher_.joinable()) watcher_.join();
}

void WriteInterrupter::Arm() {
  holder_ = std::make_unique<AdminSession>(conninfo_);
  holder_->Execute("BEGIN; LOCK TABLE lw_history IN ACCESS EXCLUSIVE MODE");
  watcher_ = std::thread([this] {
    AdminSession watcher(conninfo_);
    // Found within milliseconds of blocking, well inside the writer's own lock timeout.
    const int pid = watcher.WaitForBlockedStatement("INSERT INTO lw_history", std::chrono::seconds(20));
    caught_ = pid != 0 && watcher.EndSession(pid);
    holder_->Execute("ROLLBACK");
  });
}

bool WriteInterrupter::Caught() {
  if (watcher_.joinable()) watcher_.join();
  return caught_;
}

FixPractice::FixPractice(PracticeFixture& practice, int charges) {
  for (int i = 1; i <= charges; ++i) {
    const std::string chart = "C" + std::to_string(i);
    const auto charge = practice.Insert("MWTRN", {{"Chart Number", chart},
                                                  {"Case Number", std::int64_t{1}},
                                                  {"Date From", std::string("2024-03-15")},
                                                  {"Procedure Code", std::string("99213")},
                                                  {"Transaction Type", std::string("A")},
                                                  {"Insurance 1 Amount Paid", kRecorded}});
    const auto payment = practice.Insert(
        "MWTRN", {{"Chart Number", chart}, {"Transaction Type", std::string("I")}, {"Who Paid", std::string("1")}});
    practice.Insert("MWPAX",
                    {{"Payment Reference", payment}, {"Charge Reference", charge}, {"Payment Amount", kApplied}});
    charts.push_back(chart);
    entry[chart] = charge;
    record[chart] = *practice.QueryInt("SELECT rowid FROM MWTRN WHERE \"Entry Number\" = " + std::to_string(charge));
  }
}

void ExpectWritten(AdminSession& server, const FixPractice& practice, const std::vector<std::string>& written) {
  for (const std::string& chart : practice.charts) {
    const std::string record = std::to_string(practice.record.at(chart));
    const double amount =
        std::stod(server.Text("SELECT \"Insurance 1 Amount Paid\" FROM mwtrn WHERE lw_rowid = " + record));
    const std::int64_t history =
        server.Int("SELECT count(*) FROM lw_history WHERE table_name = 'MWTRN' AND record_number = " + record);
    if (std::find(written.begin(), written.end(), chart) != written.end()) {
      EXPECT_EQ(amount, kApplied) << chart;
      EXPECT_GT(history, 0) << chart;
    } else {
      EXPECT_EQ(amount, kRecorded) << chart;
      EXPECT_EQ(history, 0) << chart;
    }
  }
}

std::string PracticeConninfo(const PracticeFixture& practice) {
  std::string conninfo;
  if (!pgengine::ReadServerDescriptor(practice.DictionaryPath(), conninfo).ok()) {
    throw std::runtime_error("no server descriptor at " + practice.DictionaryPath());
  }
  return conninfo;
}

}  // namespace lw::test
