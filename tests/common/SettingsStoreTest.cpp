#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "common/Exceptions.h"
#include "common/RegistryHive.h"
#include "common/SettingsStore.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

// Points XDG_CONFIG_HOME at a private folder for the test and puts the old value back afterwards.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) oldConfig_ = old;
    setenv("XDG_CONFIG_HOME", dir_.Path().c_str(), 1);
  }
  void TearDown() override {
    if (oldConfig_) {
      setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
  }

  std::string StoreFile() const { return (dir_.Path() / "ledgerwick" / "registry.reg").string(); }

  void WriteStore(const std::string& body, bool withHeader = true) const {
    std::filesystem::create_directories(dir_.Path() / "ledgerwick");
    std::ofstream out(StoreFile(), std::ios::binary | std::ios::trunc);
    if (withHeader) out << "Windows Registry Editor Version 5.00\r\n\r\n";
    out << body;
  }

  void WriteValue(const std::string& valueLine) const {
    WriteStore("[HKEY_CURRENT_USER\\Software\\Medisoft]\r\n" + valueLine + "\r\n");
  }

  static std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static std::string ErrorOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const ERegistryException& e) {
      return e.Message();
    }
    return "(no error)";
  }

  test::TempDir dir_;
  std::optional<std::string> oldConfig_;
};

TEST_F(SettingsStoreTest, StorePathFollowsXdgConfigHomeElseHome) {
  EXPECT_EQ(SettingsStorePath(), StoreFile());
  const char* home = std::getenv("HOME");
  const std::string oldHome = home ? home : "";
  setenv("HOME", "/home/clerk", 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsStorePath(), "/home/clerk/.config/ledgerwick/registry.reg");
  setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(SettingsStorePath(), "/home/clerk/.config/ledgerwick/registry.reg");
  setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(SettingsStorePath(), "/home/clerk/.config/ledgerwick/registry.reg");
  setenv("HOME", oldHome.c_str(), 1);
}

TEST_F(SettingsStoreTest, MissingStoreKeyOrValueGivesEmptyTextAndWritesNothing) {
  EXPECT_EQ(ReadCurrentPractice(), "");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "ledgerwick")) << "the lookup must never create the store";

  WriteStore("[HKEY_CURRENT_USER\\Software]\r\n\"Current Practice\"=\"/wrong/key\"\r\n");
  EXPECT_EQ(ReadCurrentPractice(), "");
  WriteStore("[HKEY_CURRENT_USER\\Software\\Medisoft]\r\n\"Other\"=\"/x\"\r\n");
  EXPECT_EQ(ReadCurrentPractice(), "");
  WriteStore("[HKEY_LOCAL_MACHINE\\Software\\Medisoft]\r\n\"Current Practice\"=\"/machine\"\r\n");
  EXPECT_EQ(ReadCurrentPractice(), "");
  const std::string before = ReadFile(StoreFile());
  ReadCurrentPractice();
  EXPECT_EQ(ReadFile(StoreFile()), before);
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeReadCountsAsNoKey) {
  std::filesystem::create_directories(StoreFile());  // a folder where the file should be
  EXPECT_EQ(ReadCurrentPractice(), "");
}

// Whatever sits at the store's name is answered at once: nothing recorded for what cannot be
// read, a clear error from the writer; never a hang in open() nor a crash.
TEST_F(SettingsStoreTest, ThingsThatAreNoStoreFileAreNeverWaitedOnNorRead) {
  std::filesystem::create_directories(dir_.Path() / "ledgerwick");
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
    const char* writeError;
  };
  const Case cases[] = {
      {"a FIFO", [](const std::string& f) { ASSERT_EQ(0, ::mkfifo(f.c_str(), 0600)); }, "not a regular file"},
      {"a device", [](const std::string& f) { std::filesystem::create_symlink("/dev/zero", f); }, "not a regular file"},
      {"a symlink loop", [](const std::string& f) { std::filesystem::create_symlink(f, f); },
       "Too many levels of symbolic links"},
      {"a 100 MB file",
       [](const std::string& f) {
         std::ofstream{f};
         std::filesystem::resize_file(f, 100u << 20);
       },
       "larger than 1048576 bytes"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(StoreFile());
    c.make(StoreFile());
    EXPECT_EQ(ReadCurrentPractice(), "") << c.what;
    const std::string error = ErrorOf([] { WriteCurrentPractice("/srv/p"); });
    EXPECT_EQ(error, "Cannot read the settings store " + StoreFile() + ": " + c.writeError) << c.what;
  }
  std::filesystem::remove(StoreFile());
}

TEST_F(SettingsStoreTest, JunkAndUtf16WithoutItsMarkAreMalformedStores) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 131 + 7) % 256);
  std::string utf16;
  for (char c : std::string("Windows Registry Editor Version 5.00\r\n")) utf16 += std::string{c, '\0'};
  for (const std::string& body : {junk, utf16}) {
    WriteStore(body, false);
    EXPECT_EQ(ErrorOf([] { ReadCurrentPractice(); }).rfind(StoreFile() + ", line 1: not a registry export", 0), 0u);
  }
}

TEST_F(SettingsStoreTest, StringValuesAreReturnedUnexpandedAndCutAtTheFirstNul) {
  WriteValue("\"current practice\"=\"/srv/medidata/Practice A\"");
  EXPECT_EQ(ReadCurrentPractice(), "/srv/medidata/Practice A");
  // REG_EXPAND_SZ "%USERPROFILE%\Practice" stored as UTF-16LE hex: never expanded.
  WriteValue(
      "\"Current Practice\"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,00,45,00,25,00,\\\r\n"
      "  5c,00,50,00,72,00,61,00,63,00,74,00,69,00,63,00,65,00,00,00");
  EXPECT_EQ(ReadCurrentPractice(), "%USERPROFILE%\\Practice");
  WriteValue("\"Current Practice\"=hex(2):24,00,48,00,4f,00,4d,00,45,00,2f,00,70,00,00,00");
  EXPECT_EQ(ReadCurrentPractice(), "$HOME/p");
  // REG_SZ with a NUL in the middle, and one without any NUL (taken whole).
  WriteValue("\"Current Practice\"=hex(1):2f,00,61,00,00,00,2f,00,62,00,00,00");
  EXPECT_EQ(ReadCurrentPractice(), "/a");
  WriteValue("\"Current Practice\"=hex(1):2f,00,61,00,62,00");
  EXPECT_EQ(ReadCurrentPractice(), "/ab");
  WriteValue("\"Current Practice\"=\"\"");
  EXPECT_EQ(ReadCurrentPractice(), "");
}

TEST_F(SettingsStoreTest, ZeroLengthDataOfAnyTypeGivesEmptyText) {
  for (const char* data : {"hex(1):", "hex(2):", "hex(4):", "hex(7):", "hex:", "hex(0):", "hex(b):"}) {
    WriteValue(std::string("\"Current Practice\"=") + data);
    EXPECT_EQ(ReadCurrentPractice(), "") << data;
  }
}

TEST_F(SettingsStoreTest, OtherTypesRaiseInvalidDataType) {
  for (const char* data :
       {"dword:00000001", "hex(7):2f,00,61,00,00,00,00,00", "hex:2f,61,00", "hex(b):01,00,00,00,00,00,00,00"}) {
    WriteValue(std::string("\"Current Practice\"=") + data);
    try {
      ReadCurrentPractice();
      ADD_FAILURE() << data;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), "ERegistryException");
      EXPECT_EQ(e.Message(), "Invalid data type for 'Current Practice'") << data;
    }
  }
}

// The real file hive, with the store rewritten by "another program" right after the first query.
class RewritingHive : public RegistryHive {
 public:
  RewritingHive(std::string file, std::function<void()> rewrite)
      : inner_(std::move(file)), rewrite_(std::move(rewrite)) {}
  std::unique_ptr<RegistryKey> OpenCurrentUserKey(const std::string& path) override {
    auto key = inner_.OpenCurrentUserKey(path);
    if (!key) return nullptr;
    return std::make_unique<Key>(std::move(key), rewrite_);
  }

 private:
  struct Key : RegistryKey {
    Key(std::unique_ptr<RegistryKey> k, std::function<void()> r) : inner(std::move(k)), rewrite(std::move(r)) {}
    RegQueryResult QueryValue(const std::string& name, std::uint32_t* type, char* data, std::uint32_t* size) override {
      const RegQueryResult result = inner->QueryValue(name, type, data, size);
      if (data == nullptr && rewrite) std::exchange(rewrite, nullptr)();
      return result;
    }
    std::unique_ptr<RegistryKey> inner;
    std::function<void()> rewrite;
  };
  FileRegistryHive inner_;
  std::function<void()> rewrite_;
};

TEST_F(SettingsStoreTest, DataThatChangesBetweenTheTwoReadsRaisesFailedToGetData) {
  const std::string failed = "Failed to get data for 'Current Practice'";
  // The value grew.
  WriteValue("\"Current Practice\"=\"/srv/a\"");
  RewritingHive grows(StoreFile(), [&] { WriteValue("\"Current Practice\"=\"/srv/a-much-longer-folder\""); });
  EXPECT_EQ(ErrorOf([&] { ReadCurrentPractice(grows); }), failed);
  // The value vanished.
  WriteValue("\"Current Practice\"=\"/srv/a\"");
  RewritingHive vanishes(StoreFile(), [&] { WriteValue("\"Other\"=\"x\""); });
  EXPECT_EQ(ErrorOf([&] { ReadCurrentPractice(vanishes); }), failed);
  // The store became unreadable.
  WriteValue("\"Current Practice\"=\"/srv/a\"");
  RewritingHive broken(StoreFile(), [&] { WriteStore("garbage", false); });
  EXPECT_EQ(ErrorOf([&] { ReadCurrentPractice(broken); }), failed);
  // A value that shrank still reads: the buffer is large enough.
  WriteValue("\"Current Practice\"=\"/srv/abcdef\"");
  RewritingHive shrinks(StoreFile(), [&] { WriteValue("\"Current Practice\"=\"/srv/b\""); });
  EXPECT_EQ(ReadCurrentPractice(shrinks), "/srv/b");
  // The type check comes after the second read: a DWORD that became text is accepted.
  WriteValue("\"Current Practice\"=dword:00000001");
  RewritingHive retyped(StoreFile(), [&] { WriteValue("\"Current Practice\"=\"/c\""); });
  EXPECT_EQ(ReadCurrentPractice(retyped), "/c");
}

TEST_F(SettingsStoreTest, MalformedStoreIsReportedWithFileAndLine) {
  WriteStore("[HKEY_CURRENT_USER\\Software\\Medisoft]\r\n\"Current Practice\"=\"/srv/a\r\n");
  EXPECT_EQ(ErrorOf([] { ReadCurrentPractice(); }), StoreFile() + ", line 4: quoted text without its closing quote");
  WriteStore("Current Practice=/srv/a\n", false);
  EXPECT_EQ(ErrorOf([] { ReadCurrentPractice(); }).rfind(StoreFile() + ", line 1: not a registry export", 0), 0u);
}

TEST_F(SettingsStoreTest, WriteCreatesTheStoreAndTheReaderFindsIt) {
  const std::string folder = "/srv/Médi data/it's \"A\"\\1";
  WriteCurrentPractice(folder);
  EXPECT_EQ(ReadCurrentPractice(), folder);
  struct stat info {};
  ASSERT_EQ(::stat(StoreFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  WriteCurrentPractice("/srv/b");
  EXPECT_EQ(ReadCurrentPractice(), "/srv/b");
  // Nothing but the store is left in its folder (no temporary files).
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path() / "ledgerwick"), {}), 1);
}

TEST_F(SettingsStoreTest, WriteKeepsOtherKeysAndValuesAndReplacesAnOtherType) {
  WriteStore(
      "[HKEY_CURRENT_USER\\Software\\Medisoft]\r\n\"Current Practice\"=dword:00000002\r\n\"Last User\"=\"ann\"\r\n"
      "[HKEY_CURRENT_USER\\Software\\Medisoft\\Reports]\r\n\"Paper\"=hex(2):41,00,34,00,00,00\r\n");
  WriteCurrentPractice("/srv/p");
  EXPECT_EQ(ReadCurrentPractice(), "/srv/p");
  const std::string text = ReadFile(StoreFile());
  EXPECT_NE(text.find("\"Last User\"=\"ann\""), std::string::npos) << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Medisoft\\Reports]\n\"Paper\"=hex(2):41,00,34,00,00,00"),
            std::string::npos)
      << text;
}

TEST_F(SettingsStoreTest, WriteRefusesToOverwriteAMalformedStore) {
  WriteStore("[HKEY_CURRENT_USER\\Software\\Medisoft\r\n");
  const std::string before = ReadFile(StoreFile());
  EXPECT_EQ(ErrorOf([] { WriteCurrentPractice("/srv/p"); }).rfind(StoreFile() + ", line 3:", 0), 0u);
  EXPECT_EQ(ReadFile(StoreFile()), before);
}

TEST_F(SettingsStoreTest, WriteFailureIsReported) {
  // A file where the store's folder should be.
  std::ofstream(dir_.Path() / "ledgerwick") << "x";
  EXPECT_EQ(ErrorOf([] { WriteCurrentPractice("/srv/p"); }).rfind("Cannot write the settings store " + StoreFile(), 0),
            0u);
}

}  // namespace
}  // namespace lw
