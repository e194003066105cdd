#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "data/AdsErrors.h"
#include "data/ace/AceErrors.h"
#include "tests/data/DataFixture.h"

namespace lw::test {
namespace {

using ConnectionTest = DataTest;

TEST_F(ConnectionTest, ConnectPathReadsBackExactlyAndCannotChangeWhileConnected) {
  TAdsConnection& connection = Components().AdsConnection1;
  connection.SetConnectPath("C:\\\\Practice\\Data\\MWDDF.ADD");
  EXPECT_EQ(connection.ConnectPath(), "C:\\\\Practice\\Data\\MWDDF.ADD");
  const std::string path = Practice();
  connection.SetConnectPath(path);
  connection.SetIsConnected(true);
  EXPECT_TRUE(connection.IsConnected());
  EXPECT_NE(connection.ConnectionHandle(), 0);
  EXPECT_LW_ERROR(connection.SetConnectPath("elsewhere"), "AdsConnectionError",
                  "The TAdsConnection.ConnectPath may not be changed when IsConnected is TRUE");
  EXPECT_EQ(connection.ConnectPath(), path);
  connection.SetIsConnected(false);
  EXPECT_EQ(connection.ConnectionHandle(), 0);
  trace_->Clear();
  connection.SetIsConnected(false);
  EXPECT_TRUE(trace_->Calls().empty()) << "disconnecting a disconnected connection calls nothing";
}

TEST_F(ConnectionTest, ConnectSendsTheWindowSettingsAndAsksForEachTablesDefaultIndex) {
  TAdsConnection& connection = Components().AdsConnection1;
  const std::string path = Practice();
  connection.SetConnectPath(path);
  trace_->Clear();
  connection.SetIsConnected(true);
  const auto names = trace_->Names();
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], "AdsConnect60");
  EXPECT_EQ(trace_->Calls()[0].arguments, "\"" + path + "\", 3, \"user\", \"vortelin\", 0, out");
  const auto requests = trace_->CallsOf("AdsDDGetTableProperty");
  ASSERT_EQ(requests.size(), 3u);
  const std::string handle = std::to_string(connection.ConnectionHandle());
  EXPECT_EQ(requests[0].arguments, handle + ", \"MWTRN.ADT\", 213, out, 200");
  EXPECT_EQ(requests[1].arguments, handle + ", \"MWPAX\", 213, out, 200");
  EXPECT_EQ(requests[2].arguments, handle + ", \"MWTRN\", 213, out, 200");
}

TEST_F(ConnectionTest, DictionaryConnectionsAreRecognisedByAddInAnyCase) {
  TAdsConnection& connection = Components().AdsConnection1;
  Practice();
  std::filesystem::create_symlink(Folder() + "/MWDDF.ADD", Folder() + "/mwddf.add");
  connection.SetConnectPath(Folder() + "/mwddf.add");
  EXPECT_TRUE(connection.IsDictionaryConnection());
  trace_->Clear();
  connection.SetIsConnected(true);
  EXPECT_NE(trace_->Calls()[0].arguments.find("\"user\", \"vortelin\""), std::string::npos);
  connection.SetIsConnected(false);

  // A folder of free tables: no login is sent and no default index is asked for.
  connection.SetConnectPath(Folder());
  EXPECT_FALSE(connection.IsDictionaryConnection());
  trace_->Clear();
  try {
    connection.SetIsConnected(true);
  } catch (const EADSDatabaseError&) {
    // This engine serves dictionaries only; what matters is what was sent.
  }
  ASSERT_GE(trace_->Calls().size(), 1u);
  EXPECT_EQ(trace_->Calls()[0].arguments, "\"" + Folder() + "\", 3, \"\", \"\", 0, out");
  EXPECT_EQ(trace_->CountOf("AdsDDGetTableProperty"), 0);
}

TEST_F(ConnectionTest, ConnectTextIsCutTo254CharactersButConnectPathKeepsItAll) {
  TAdsConnection& connection = Components().AdsConnection1;
  const std::string path = "/" + std::string(300, 'x') + "/MWDDF.ADD";
  connection.SetConnectPath(path);
  EXPECT_THROW(connection.SetIsConnected(true), EADSDatabaseError);
  EXPECT_FALSE(connection.IsConnected());
  EXPECT_EQ(connection.ConnectPath(), path);
  const auto calls = trace_->CallsOf("AdsConnect60");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].arguments.substr(0, 256), "\"" + path.substr(0, 254) + "\"");
}

TEST_F(ConnectionTest, ConnectFailureCarriesTheEngineTextWithoutACursorName) {
  TempDir empty;
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(empty.Path().string() + "/NOWHERE/MWDDF.ADD");
  try {
    c.qryChg.Open();
    FAIL() << "opened without a dictionary";
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.AceCode, ace::kDictionaryNotFound);
    EXPECT_EQ(error.Message().rfind(ace::AceErrorText(ace::kDictionaryNotFound), 0), 0u) << error.Message();
    EXPECT_TRUE(error.CursorName.empty());
  }
  EXPECT_FALSE(c.AdsConnection1.IsConnected());
  EXPECT_FALSE(c.qryChg.Active());
  EXPECT_EQ(c.AdsConnection1.ConnectPath(), empty.Path().string() + "/NOWHERE/MWDDF.ADD");
  c.AdsConnection1.SetIsConnected(false);  // the next run's disconnect does nothing
}

TEST_F(ConnectionTest, EmptyConnectPathIsRefusedBeforeTheEngine) {
  PracticeComponents& c = Components();
  trace_->Clear();
  EXPECT_LW_ERROR(c.qryChg.Open(), "AdsConnectionError",
                  "Must specify connection string before getting a server connection.");
  EXPECT_EQ(trace_->CountOf("AdsConnect60"), 0);
  EXPECT_FALSE(c.AdsConnection1.IsConnected());
}

TEST_F(ConnectionTest, DataFolderIsTheConnectPathWithoutTheDictionaryName) {
  TAdsConnection& connection = Components().AdsConnection1;
  const std::pair<const char*, const char*> cases[] = {
      {"/srv/practice/MWDDF.ADD", "/srv/practice"},
      {"MWDDF.ADD", "."},
      {"/srv/practice/mwddf.add", "/srv/practice"},
      {"/MWDDF.ADD", "/"},
      // "\\" is an ordinary character of a name: no separator.
      {"/srv/a\\b/MWDDF.ADD", "/srv/a\\b"},
      {"/srv/practice\\MWDDF.ADD", "/srv"},
      {"bs\\MWDDF.ADD", "."},
      {"/srv/Data/", "/srv/Data"},
      {"/", "/"},
      {"/srv/Data/MWDDF.ADT", "/srv/Data/MWDDF.ADT"},
  };
  for (const auto& [path, folder] : cases) {
    connection.SetConnectPath(path);
    EXPECT_EQ(connection.DataFolder(), folder) << path;
  }
}

TEST_F(ConnectionTest, DisconnectClosesEveryCursorEvenWhenOneFailsToClose) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  c.tblChg.Open();
  c.tblPax.Open();
  c.tblPay.Open();
  // Closing tblChg makes tblPax drop its range; that fails here.
  trace_->FailNth("AdsClearAllScopes", 1, ace::kInternalError);
  trace_->Clear();
  c.AdsConnection1.SetIsConnected(false);
  EXPECT_FALSE(c.AdsConnection1.IsConnected());
  for (TAdsDataSet* cursor : {static_cast<TAdsDataSet*>(&c.qryChg), static_cast<TAdsDataSet*>(&c.tblChg),
                              static_cast<TAdsDataSet*>(&c.tblPax), static_cast<TAdsDataSet*>(&c.tblPay)}) {
    EXPECT_FALSE(cursor->Active()) << cursor->Name();
    EXPECT_EQ(cursor->CursorHandle(), -1) << cursor->Name();
  }
  EXPECT_EQ(trace_->CountOf("AdsCloseTable"), 4);
  EXPECT_EQ(trace_->CountOf("AdsDisconnect"), 1);
  EXPECT_EQ(c.qryChg.StatementHandle(), -1) << "the disconnect makes the query forget its statement";
}

TEST_F(ConnectionTest, RefusedDisconnectStillDisconnectsAndRaisesAdsError) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  trace_->FailNth("AdsDisconnect", 1, ace::kInternalError, "The server refused to let go.");
  EXPECT_LW_ERROR(c.AdsConnection1.SetIsConnected(false), "AdsError", "The server refused to let go.");
  EXPECT_FALSE(c.AdsConnection1.IsConnected());
  EXPECT_FALSE(c.qryChg.Active());
}

TEST_F(ConnectionTest, ChangingTheConnectionOfAnOpenCursorIsRefused) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  TAdsConnection other("Other", &owner_);
  try {
    c.qryChg.SetAdsConnection(&other);
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.Message(), "qryChg: Table must not be Active.");
    EXPECT_EQ(error.AceCode, 5121u);
  }
  EXPECT_LW_ERROR(c.qryChg.SetDatabaseName("Other"), "EADSDatabaseError", "qryChg: Table must not be Active.");
  EXPECT_EQ(c.AdsConnection1.BoundCursors().size(), 4u);
}

TEST_F(ConnectionTest, BoundCursorsAreListedInWindowOrder) {
  PracticeComponents& c = Components();
  const auto& bound = c.AdsConnection1.BoundCursors();
  ASSERT_EQ(bound.size(), 4u);
  EXPECT_EQ(bound[0], &c.tblChg);
  EXPECT_EQ(bound[1], &c.tblPax);
  EXPECT_EQ(bound[2], &c.tblPay);
  EXPECT_EQ(bound[3], &c.qryChg);
}

TEST_F(ConnectionTest, RegistryLookupPrefersSameOwnerAndThread) {
  ComponentOwner otherOwner("frmOther");
  TAdsConnection mine("Shared", &owner_);
  TAdsConnection theirs("Shared", &otherOwner);
  EXPECT_EQ(TAdsConnection::Find("shared", &owner_), &mine);
  EXPECT_EQ(TAdsConnection::Find("SHARED", &otherOwner), &theirs);

  // A connection made by another thread loses to one made by this thread...
  std::unique_ptr<TAdsConnection> foreign;
  std::thread([&] { foreign = std::make_unique<TAdsConnection>("Remote", &owner_); }).join();
  ComponentOwner third("frmThird");
  TAdsConnection local("Remote", &third);
  EXPECT_EQ(TAdsConnection::Find("Remote", &owner_), &local);
  // ...but is still found when nothing of this thread has the name, also as "owner.name".
  TAdsConnection* found = TAdsConnection::Find("frmMain.Remote", &otherOwner);
  EXPECT_EQ(found, foreign.get());
  EXPECT_EQ(TAdsConnection::Find("Nobody", &owner_), nullptr);
}

}  // namespace
}  // namespace lw::test
