#include <gtest/gtest.h>

#include <vector>

#include "app/ShortenPath.h"

namespace lw {
namespace {

// One pixel per character keeps the widths readable.
int Length(const std::string& text) { return static_cast<int>(text.size()); }

TEST(ShortenPathToWidth, WindowsPathShortensStepByStep) {
  const std::string path = "C:\\Program Files\\Practice\\Data1";
  std::vector<std::string> tried;
  const std::string never = ShortenPathToWidth(
      path, 0,
      [&tried](const std::string& text) {
        tried.push_back(text);
        return 1000;
      },
      PathStyle::Windows);
  EXPECT_EQ(never, "Data1");
  EXPECT_EQ(tried, (std::vector<std::string>{path, "C:\\...\\Practice\\Data1", "C:\\...\\Data1", "...\\Data1"}));

  struct Case {
    int width;
    const char* shown;
  };
  for (const Case& c :
       {Case{100, "C:\\Program Files\\Practice\\Data1"}, Case{31, "C:\\Program Files\\Practice\\Data1"},
        Case{30, "C:\\...\\Practice\\Data1"}, Case{21, "C:\\...\\Practice\\Data1"}, Case{20, "C:\\...\\Data1"},
        Case{12, "C:\\...\\Data1"}, Case{11, "...\\Data1"}, Case{9, "...\\Data1"}, Case{8, "Data1"}, Case{1, "Data1"}})
    EXPECT_EQ(ShortenPathToWidth(path, c.width, Length, PathStyle::Windows), c.shown) << c.width;
}

TEST(ShortenPathToWidth, WindowsEdgeForms) {
  // Without a drive, and a drive root, and a name only.
  EXPECT_EQ(ShortenPathToWidth("\\\\server\\share\\Data", 0, Length, PathStyle::Windows), "Data");
  EXPECT_EQ(ShortenPathToWidth("\\\\server\\share\\Data", 15, Length, PathStyle::Windows), "\\...\\share\\Data");
  EXPECT_EQ(ShortenPathToWidth("C:\\", 2, Length, PathStyle::Windows), "C:");
  EXPECT_EQ(ShortenPathToWidth("C:\\", 1, Length, PathStyle::Windows), "");
  EXPECT_EQ(ShortenPathToWidth("Data1", 0, Length, PathStyle::Windows), "Data1");
  EXPECT_EQ(ShortenPathToWidth("", 0, Length, PathStyle::Windows), "");
}

TEST(ShortenPathToWidth, PosixPathShortensStepByStep) {
  const std::string path = "/home/clerk/practices/Data1";
  struct Case {
    int width;
    const char* shown;
  };
  for (const Case& c : {Case{27, "/home/clerk/practices/Data1"}, Case{26, "/.../clerk/practices/Data1"},
                        Case{20, "/.../practices/Data1"}, Case{19, "/.../Data1"}, Case{10, "/.../Data1"},
                        Case{9, ".../Data1"}, Case{8, "Data1"}, Case{0, "Data1"}})
    EXPECT_EQ(ShortenPathToWidth(path, c.width, Length), c.shown) << c.width;
}

TEST(ShortenPathToWidth, PosixDotFoldersAreNotTakenForTheMarker) {
  // A leading dot folder is an ordinary name here; it must not swallow the marker.
  EXPECT_EQ(ShortenPathToWidth("/.ab/x", 5, Length), ".../x");
  EXPECT_EQ(ShortenPathToWidth("/.config/a/b", 11, Length), "/.../a/b");
  // A colon is part of a name, not a drive.
  EXPECT_EQ(ShortenPathToWidth("/srv/a:b/c", 9, Length), "/.../c");
  EXPECT_EQ(ShortenPathToWidth("/", 5, Length), "/");
}

}  // namespace
}  // namespace lw
