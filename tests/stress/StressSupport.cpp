#include "tests/stress/StressSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "common/Currency.h"
#include "engine/Dictionary.h"
#include "tools/practice/DemoPractice.h"
#include "tools/practice/PracticeLayouts.h"

namespace lw::test {

const std::array<const char*, 6> kPaidColumns = {"Insurance 1 Amount Paid", "Insurance 2 Amount Paid",
                                                 "Insurance 3 Amount Paid", "Guarantor Amount Paid",
                                                 "Adjustment Amount",       "Attorney Amount Paid"};

std::int64_t StressCount(const char* variable, std::int64_t fallback) {
  const char* text = std::getenv(variable);
  if (text == nullptr || *text == '\0') return fallback;
  return std::atoll(text);
}

std::string BuiltProgram(const std::string& relativePath) {
  std::filesystem::path build;
  if (const char* given = std::getenv("LEDGERWICK_BUILD_DIR")) {
    build = given;
  } else {
    build = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
  }
  return (build / relativePath).string();
}

Child::Child(const std::vector<std::string>& argv, const std::string& outputFile, const StartGate* gate)
    : outputFile_(outputFile) {
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    if (gate != nullptr) {
      // The gate opens when no writer is left: this child must not be one.
      close(gate->fds_[1]);
      char byte;
      while (read(gate->fds_[0], &byte, 1) > 0) {
      }
    }
    int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
}

Child::~Child() {
  if (!finished_) {
    Kill();
  }
}

std::optional<int> Child::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  while (!finished_) {
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      finished_ = true;
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return status_;
}

void Child::Kill() {
  if (finished_ || pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  finished_ = true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

std::string Child::Output() const {
  std::ifstream in(outputFile_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

StartGate::StartGate() {
  if (pipe(fds_) != 0) throw std::runtime_error("pipe failed");
}

StartGate::~StartGate() {
  for (int fd : fds_) {
    if (fd >= 0) close(fd);
  }
}

void StartGate::Open() {
  close(fds_[1]);  // every waiting child reads end-of-file at once
  fds_[1] = -1;
}

SqliteDb PlainConnection(const std::string& path) {
  SqliteDb db = SqliteDb::Require(path);
  db.BusyTimeout(10000);
  return db;
}

namespace {

std::int64_t Count(const PracticeReader::Cell& cell) {
  if (!cell) return 0;
  return CurrencyFromDouble(std::strtod(cell->c_str(), nullptr)).Count();
}

// The bucket of a paying row's codes, by the reconciliation rules: -1 for none.
int BucketIndex(const std::string& type, const std::string& who) {
  auto within = [](const std::string& value, const std::string& letters) {
    return !value.empty() && letters.find(value) != std::string::npos;
  };
  if (within(type, "PZ")) return -1;
  if (type == "I") return who == "1" ? 0 : who == "2" ? 1 : who == "3" ? 2 : -1;
  if (within(type, "JKLMNO")) return who == "G" ? 3 : who == "A" ? 5 : -1;
  if (within(type, "STUV")) return 4;
  return -1;
}

}  // namespace

std::map<std::int64_t, SixPaid> ReadPaid(PracticeReader& practice) {
  std::string sql = "SELECT \"Entry Number\"";
  for (const char* column : kPaidColumns) sql += std::string(", \"") + column + "\"";
  sql += " FROM MWTRN";
  std::map<std::int64_t, SixPaid> rows;
  for (const auto& row : practice.Rows(sql)) {
    SixPaid six{};
    for (int i = 0; i < 6; ++i) six[i] = Count(row[i + 1]);
    rows[std::stoll(*row[0])] = six;
  }
  return rows;
}

std::map<std::int64_t, SixPaid> RecomputeBuckets(PracticeReader& practice) {
  const char* sql =
      "SELECT a.\"Charge Reference\", a.\"Payment Amount\", rtrim(p.\"Transaction Type\"), rtrim(p.\"Who Paid\")"
      " FROM MWPAX a JOIN MWTRN p ON p.\"Entry Number\" = a.\"Payment Reference\"";
  std::map<std::int64_t, SixPaid> buckets;
  for (const auto& row : practice.Rows(sql)) {
    const int bucket = BucketIndex(row[2].value_or(""), row[3].value_or(""));
    SixPaid& six = buckets[std::stoll(*row[0])];
    if (bucket >= 0) six[bucket] += Count(row[1]);
  }
  return buckets;
}

void MakeDemoPractice(const std::string& folder, std::int64_t rows, std::uint64_t seed) {
  std::filesystem::create_directories(folder);
  const std::string path = (std::filesystem::path(folder) / engine::kDictionaryFileName).string();
  engine::CreateOptions options;
  options.withIndexes = false;
  engine::CreateDictionary(path, practice::PracticeTables(), options);
  practice::DemoOptions demo;
  demo.rows = rows;
  demo.seed = seed;
  practice::GenerateDemo(path, demo);
}

}  // namespace lw::test
