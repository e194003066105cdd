#pragma once
// The database connection (AdsConnection1): where it connects, how it logs in and
// disconnects, the folder that holds the tables, and the cursors bound to it.
//
// Every connection is listed in a process-wide registry from construction to destruction, so
// that a query can find it by component name (TAdsQuery::SetDatabaseName).

#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "data/Component.h"
#include "data/ace/AceApi.h"

namespace lw {

class TAdsDataSet;

enum class TAdsCompression {
  ccAdsCompressionNotSet,
  ccAdsCompressInternet,
  ccAdsCompressAlways,
  ccAdsCompressNever,
};

// AdsServerTypes members, or-ed.
inline constexpr std::uint16_t stADS_LOCAL = 1;
inline constexpr std::uint16_t stADS_REMOTE = 2;
inline constexpr std::uint16_t stADS_AIS = 4;

class TAdsConnection : public TComponent {
 public:
  TAdsConnection(std::string name, const ComponentOwner* owner);
  // When still connected: closes every bound cursor, unbinds them and disconnects. A refused
  // disconnect (other than "not connected", 5024) cannot be raised from here and is dropped.
  ~TAdsConnection() override;

  // REQUIRES: not connected, else AdsConnectionError "The TAdsConnection.ConnectPath may not be
  // changed when IsConnected is TRUE". Stored exactly as given.
  void SetConnectPath(std::string path);
  const std::string& ConnectPath() const { return connectPath_; }

  bool IsConnected() const { return handle_ != ace::kNoConnection; }
  // true connects (AdsConnect60; engine failures raise EADSDatabaseError without a cursor name),
  // false closes every bound cursor (errors dropped) and disconnects (a refusal raises AdsError
  // after the connection is marked disconnected). Setting the current value does nothing.
  void SetIsConnected(bool connected);
  ace::ADSHANDLE ConnectionHandle() const { return handle_; }
  // The run number the practice's update history keeps this connection's changes under; 0
  // while it has changed nothing or is not connected.
  std::uint32_t RunNumber() const;

  // Whether ConnectPath, upper-cased, contains ".ADD".
  bool IsDictionaryConnection() const { return dictionary_; }
  // The folder holding the tables, derived from ConnectPath ("/srv/p/MWDDF.ADD" -> "/srv/p").
  std::string DataFolder() const;

  // Settings (window description values in comments).
  std::uint16_t AdsServerTypes = stADS_REMOTE | stADS_LOCAL;
  bool LoginPrompt = false;
  std::string Username;  // "user"
  std::string Password;
  TAdsCompression Compression = TAdsCompression::ccAdsCompressionNotSet;
  bool MiddleTierConnection = false;
  bool StoredProcedureConnection = false;
  bool ReadOnly = false;

  // The cursors bound to this connection, in binding order.
  const std::vector<TAdsDataSet*>& BoundCursors() const { return cursors_; }
  // Called by TAdsDataSet when it binds and unbinds.
  void AddCursor(TAdsDataSet* cursor);
  void RemoveCursor(TAdsDataSet* cursor);

  // Looks a connection up by component name (case ignored), preferring, in order: one with the
  // asker's owner created by this thread, any created by this thread, one with the asker's
  // owner, any (there also as "owner.name"). nullptr when none matches.
  static TAdsConnection* Find(std::string_view name, const ComponentOwner* askerOwner);

 private:
  void Connect();
  void Disconnect();

  std::string connectPath_;
  bool dictionary_ = false;
  ace::ADSHANDLE handle_ = ace::kNoConnection;
  std::vector<TAdsDataSet*> cursors_;
  std::thread::id creatorThread_;
};

}  // namespace lw
