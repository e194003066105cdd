#include <gtest/gtest.h>

#include "common/Exceptions.h"
#include "common/RegFile.h"

namespace lw {
namespace {

std::string Utf16Le(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(RegFile, ParsesTheValueKindsOfAnExport) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; exported by hand\r\n"
      "[HKEY_CURRENT_USER\\Software\\Medisoft]\r\n"
      "\"Current Practice\"=\"C:\\\\Medidata\\\\Tutor\"\r\n"
      "\"Quoted\"=\"say \\\"hi\\\"\"   ; trailing comment\r\n"
      "@=\"default\"\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"Expand\"=hex(2):25,00,55,00,53,00,45,00,52,00,\\\r\n"
      "  ; a comment between continuation lines\r\n"
      "  25,00,00,00\r\n"
      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"Blob\"=hex:01,ff,0\r\n"
      "\"Empty\"=hex(4):\r\n";
  const RegFile file = RegFile::Parse(text, "store.reg");
  const RegKey* key = file.FindKey("hkcu\\SOFTWARE\\medisoft");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->path, "HKEY_CURRENT_USER\\Software\\Medisoft");
  ASSERT_NE(key->FindValue("current practice"), nullptr);
  EXPECT_EQ(key->FindValue("Current Practice")->type, 1u);
  EXPECT_EQ(key->FindValue("Current Practice")->data, std::string("C:\\Medidata\\Tutor\0", 18));
  EXPECT_EQ(key->FindValue("Quoted")->data, std::string("say \"hi\"\0", 9));
  EXPECT_EQ(key->FindValue("")->data, std::string("default\0", 8));
  EXPECT_EQ(key->FindValue("Count")->type, 4u);
  EXPECT_EQ(key->FindValue("Count")->data, std::string("\x2a\0\0\0", 4));
  EXPECT_EQ(key->FindValue("Expand")->type, 2u);
  EXPECT_EQ(key->FindValue("Expand")->data, std::string("%USER%\0", 7));
  EXPECT_EQ(key->FindValue("Multi")->data, std::string("a\0b\0\0", 5));
  EXPECT_EQ(key->FindValue("Blob")->type, 3u);
  EXPECT_EQ(key->FindValue("Blob")->data, std::string("\x01\xff\x00", 3));
  EXPECT_EQ(key->FindValue("Empty")->type, 4u);
  EXPECT_TRUE(key->FindValue("Empty")->data.empty());
  // The parent key exists, as it does after an import.
  EXPECT_NE(file.FindKey("HKEY_CURRENT_USER\\Software"), nullptr);
}

TEST(RegFile, AppliesDeletionsAndLaterValuesInFileOrder) {
  const RegFile file = RegFile::Parse(
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\Software\\Medisoft]\n\"A\"=\"1\"\n\"B\"=\"2\"\n"
      "[HKEY_CURRENT_USER\\Software\\Medisoft\\Sub]\n\"C\"=\"3\"\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\n\"D\"=\"4\"\n"
      "[-HKEY_CURRENT_USER\\Software\\Other]\n\"Ignored\"=\"x\"\n"
      "[HKEY_CURRENT_USER\\Software\\MEDISOFT]\n\"a\"=\"one\"\n\"B\"=-\n",
      "f.reg");
  const RegKey* key = file.FindKey("HKEY_CURRENT_USER\\Software\\Medisoft");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 1u);
  EXPECT_EQ(key->FindValue("A")->data, std::string("one\0", 4));
  EXPECT_NE(file.FindKey("HKCU\\Software\\Medisoft\\Sub"), nullptr);
  EXPECT_EQ(file.FindKey("HKCU\\Software\\Other"), nullptr);
}

// Names beyond ASCII match without regard to case too, and a later section or value that differs
// only in case lands on the same key and value, as the registry keeps them.
TEST(RegFile, NamesBeyondAsciiMatchWithoutRegardToCase) {
  const RegFile file = RegFile::Parse(
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\Software\\Cl\xC3\xADnica]\n\"\xC3\x89tat\"=\"1\"\n"
      "[HKEY_CURRENT_USER\\Software\\CL\xC3\x8DNICA]\n\"\xC3\xA9TAT\"=\"2\"\n",
      "f.reg");
  const RegKey* key = file.FindKey("HKCU\\software\\cl\xC3\xADnica");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 1u);
  ASSERT_NE(key->FindValue("\xC3\xA9tat"), nullptr);
  EXPECT_EQ(key->FindValue("\xC3\xA9tat")->data, std::string("2\0", 2));
  EXPECT_EQ(file.FindKey("HKCU\\Software\\Clinica"), nullptr);
}

// A name whose upper case is shorter in bytes (dotless i, 2 bytes, becomes I) still makes its
// parents end at the separators of the path as written, and the keys survive a round trip.
TEST(RegFile, ParentsOfANameWhoseUpperCaseChangesLengthEndAtTheirSeparators) {
  const std::string dotless = "\xC4\xB1";
  const RegFile file = RegFile::Parse(
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\" + dotless + dotless + "\\Sub]\n\"A\"=\"1\"\n",
      "f.reg");
  std::vector<std::string> paths;
  for (const RegKey& key : file.Keys()) paths.push_back(key.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"HKEY_CURRENT_USER\\" + dotless + dotless,
                                             "HKEY_CURRENT_USER\\" + dotless + dotless + "\\Sub"}));
  const RegFile back = RegFile::Parse(file.Serialize(), "back.reg");
  ASSERT_EQ(back.Keys().size(), 2u);
  EXPECT_EQ(back.Keys()[1].path, paths[1]);
  ASSERT_NE(back.FindKey("HKCU\\II\\SUB"), nullptr);
}

TEST(RegFile, ReadsUtf16AndRegedit4Files) {
  // What regedit writes: UTF-16LE with a byte-order mark.
  const std::string utf16 = "\xff\xfe" + Utf16Le(
                                             "Windows Registry Editor Version 5.00\r\n\r\n"
                                             "[HKEY_CURRENT_USER\\Software\\Medisoft]\r\n"
                                             "\"Current Practice\"=\"/srv/practice\"\r\n");
  EXPECT_EQ(RegFile::Parse(utf16, "u.reg").FindKey("HKCU\\Software\\Medisoft")->FindValue("Current Practice")->data,
            std::string("/srv/practice\0", 14));
  // A UTF-8 byte-order mark is skipped; REGEDIT4 string hex data is 8-bit.
  const RegFile v4 = RegFile::Parse(
      "\xef\xbb\xbfREGEDIT4\n[HKEY_CURRENT_USER\\Software\\Medisoft]\n\"E\"=hex(2):25,41,25,00\n", "v4.reg");
  EXPECT_EQ(v4.FindKey("HKCU\\Software\\Medisoft")->FindValue("E")->data, std::string("%A%\0", 4));
  // Non-ASCII UTF-16 text becomes UTF-8, surrogate pairs included.
  const RegFile v5 = RegFile::Parse(
      "Windows Registry Editor Version 5.00\n[HKCU\\Software\\Medisoft]\n\"E\"=hex(2):e9,00,3d,d8,00,de,00,00\n",
      "v5.reg");
  EXPECT_EQ(v5.FindKey("HKCU\\Software\\Medisoft")->FindValue("E")->data, std::string("\xc3\xa9\xf0\x9f\x98\x80\0", 7));
}

TEST(RegFile, MalformedTextNamesTheFileAndLine) {
  const std::string header = "Windows Registry Editor Version 5.00\n";
  const std::string key = "[HKEY_CURRENT_USER\\Software\\Medisoft]\n";
  struct Case {
    std::string text;
    int line;
    std::string fragment;
  };
  const Case cases[] = {
      {"", 1, "empty"},
      {"REGEDIT5\n", 1, "not a registry export"},
      {header + "\"A\"=\"1\"\n", 2, "outside of a key"},
      {header + key + "\"A\"=\"unterminated\n", 3, "closing quote"},
      {header + key + "\"A\"=\"C:\\Data\"\n", 3, "unknown escape"},
      {header + key + "\"A\"=hex:01,zz\n", 3, "invalid hex byte"},
      {header + key + "\"A\"=hex:01,02,\\\n", 3, "past the end"},
      {header + key + "\"A\"=hex(2:01\n", 3, "hex(type)"},
      {header + key + "\"A\"=dword:123456789\n", 3, "8 hex digits"},
      {header + key + "\"A\" \"1\"\n", 3, "expected '='"},
      {header + key + "\"A\"=\"1\" x\n", 3, "unexpected text"},
      {header + key + "\"A\"=qword:1\n", 3, "unrecognised value data"},
      {header + "[HKEY_NOWHERE\\Software]\n", 2, "invalid key name"},
      {header + "[HKEY_CURRENT_USER\\\\Software]\n", 2, "invalid key name"},
      {header + "[HKEY_CURRENT_USER\\Software\n", 2, "closing ']'"},
      {header + key + "Current Practice=x\n", 3, "unexpected line"},
  };
  for (const Case& c : cases) {
    try {
      RegFile::Parse(c.text, "/home/u/.config/ledgerwick/registry.reg");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ERegistryException& e) {
      const std::string expected = "/home/u/.config/ledgerwick/registry.reg, line " + std::to_string(c.line) + ": ";
      EXPECT_EQ(e.Message().rfind(expected, 0), 0u) << e.Message();
      EXPECT_NE(e.Message().find(c.fragment), std::string::npos) << e.Message();
    }
  }
}

TEST(RegFile, HostileSizesAreRefusedWithALineNumberNotAStackOverflow) {
  const std::string header = "Windows Registry Editor Version 5.00\n";
  std::string deep = "[HKEY_CURRENT_USER";
  for (int i = 0; i < 60000; ++i) deep += "\\k";
  const std::string nested65 = [] {
    std::string path = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 65; ++i) path += "\\k";
    return path + "]\n";
  }();
  const std::pair<std::string, std::string> cases[] = {
      {header + deep + "]\n", "line 2: key name longer than 1024 bytes"},
      {header + nested65, "line 2: key nested deeper than 64 levels"},
      {header + std::string(kMaxRegFileBytes, ';'), "larger than 1048576 bytes"},
  };
  for (const auto& [text, fragment] : cases) {
    try {
      RegFile::Parse(text, "r.reg");
      ADD_FAILURE() << "accepted: " << fragment;
    } catch (const ERegistryException& e) {
      EXPECT_NE(e.Message().find(fragment), std::string::npos) << e.Message();
    }
  }
}

// Regression: the limit was checked on the name as written, and "HKCU" grows by 13 bytes into
// HKEY_CURRENT_USER, so the store wrote back a key name its own parser refused.
TEST(RegFile, KeyNameLimitHoldsForTheFullRootName) {
  const std::string header = "Windows Registry Editor Version 5.00\n";
  const std::string longest = std::string(kMaxRegKeyPath - 18, 'k');  // "HKEY_CURRENT_USER\" + this
  const RegFile fits = RegFile::Parse(header + "[HKCU\\" + longest + "]\n", "r.reg");
  EXPECT_EQ(RegFile::Parse(fits.Serialize(), "w.reg").Keys().size(), 1u);
  try {
    RegFile::Parse(header + "[HKCU\\" + longest + "k]\n", "r.reg");
    ADD_FAILURE() << "a key name of " << kMaxRegKeyPath + 1 << " bytes in full was accepted";
  } catch (const ERegistryException& e) {
    EXPECT_NE(e.Message().find("line 2: key name longer than 1024 bytes"), std::string::npos) << e.Message();
  }
}

TEST(RegFile, ManySectionsKeepFileOrderAndDeletionsTakeTheirSubkeys) {
  // 20,000 sections once took 18 s; the parse is linear now, so this is quick.
  std::string text = "Windows Registry Editor Version 5.00\n";
  for (int i = 0; i < 20000; ++i) {
    text += "[HKCU\\Software\\S" + std::to_string(i) + "\\Sub]\n\"v\"=\"" + std::to_string(i) + "\"\n";
  }
  text += "[-HKEY_CURRENT_USER\\Software\\S1]\n[HKCU\\Software\\S1]\n\"v\"=\"again\"\n";
  text += "[hkcu\\software\\s2\\sub]\n\"V\"=-\n";
  const RegFile file = RegFile::Parse(text, "many.reg");
  // Software, then each Sn and Sn\Sub, with S1 deleted (and its Sub) and added again at the end.
  ASSERT_EQ(file.Keys().size(), 1u + 2 * 20000 - 1);
  EXPECT_EQ(file.Keys()[0].path, "HKEY_CURRENT_USER\\Software");
  EXPECT_EQ(file.Keys()[1].path, "HKEY_CURRENT_USER\\Software\\S0");
  EXPECT_EQ(file.Keys()[3].path, "HKEY_CURRENT_USER\\Software\\S2");
  EXPECT_EQ(file.Keys().back().path, "HKEY_CURRENT_USER\\Software\\S1");
  EXPECT_EQ(file.FindKey("HKCU\\Software\\S1\\Sub"), nullptr);
  EXPECT_EQ(file.Keys().back().FindValue("v")->data, std::string("again\0", 6));
  EXPECT_EQ(file.FindKey("HKCU\\Software\\S2\\Sub")->FindValue("v"), nullptr);
  EXPECT_EQ(file.FindKey("HKCU\\Software\\S19999\\Sub")->FindValue("v")->data, std::string("19999\0", 6));
}

TEST(RegFile, SerializedTextParsesBackToTheSameValues) {
  RegFile file;
  RegKey& key = file.EnsureKey("HKEY_CURRENT_USER\\Software\\Medisoft");
  key.SetValue({"Current Practice", 1, std::string("/srv/it's \"here\"\\and\nthere\xe9") + '\0'});
  key.SetValue({"", 1, std::string("default\0", 8)});
  key.SetValue({"Two NULs", 1, std::string("a\0b\0", 4)});
  key.SetValue({"Expand", 2, std::string("$HOME/x\0", 8)});
  key.SetValue({"Number", 4, std::string("\x01\x02\x03\x04", 4)});
  key.SetValue({"Long", 3, std::string(200, '\x5a')});
  key.SetValue({"Empty", 11, std::string()});
  file.EnsureKey("HKLM\\Software\\Other").SetValue({"x", 1, std::string("y\0", 2)});

  const std::string text = file.Serialize();
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    EXPECT_LE(end - start, 80u) << "hex data is wrapped onto continuation lines";
  const RegFile back = RegFile::Parse(text, "x.reg");
  ASSERT_EQ(back.Keys().size(), file.Keys().size());
  for (std::size_t k = 0; k < file.Keys().size(); ++k) {
    const RegKey& a = file.Keys()[k];
    const RegKey& b = back.Keys()[k];
    EXPECT_EQ(a.path, b.path);
    ASSERT_EQ(a.values.size(), b.values.size());
    for (std::size_t v = 0; v < a.values.size(); ++v) {
      EXPECT_EQ(a.values[v].name, b.values[v].name);
      EXPECT_EQ(a.values[v].type, b.values[v].type);
      EXPECT_EQ(a.values[v].data, b.values[v].data) << a.values[v].name;
    }
  }
}

}  // namespace
}  // namespace lw
