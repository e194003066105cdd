#include "data/AdsConnection.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "common/Path.h"
#include "data/AdsDataSet.h"
#include "data/AdsErrors.h"
#include "data/IndexDefs.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"

namespace lw {

namespace {

constexpr std::size_t kConnectTextLimit = 254;
constexpr std::size_t kLoginTextLimit = 260;
constexpr std::uint16_t kDefaultIndexBufferSize = 200;

std::mutex registryLock;
std::vector<TAdsConnection*>& Registry() {
  static std::vector<TAdsConnection*> connections;
  return connections;
}

std::string Cut(const std::string& text, std::size_t limit) {
  return text.substr(0, std::min(limit, strnlen(text.c_str(), text.size())));
}

}  // namespace

TAdsConnection::TAdsConnection(std::string name, const ComponentOwner* owner)
    : TComponent(std::move(name), owner), creatorThread_(std::this_thread::get_id()) {
  std::lock_guard lock(registryLock);
  Registry().push_back(this);
}

TAdsConnection::~TAdsConnection() {
  {
    std::lock_guard lock(registryLock);
    auto& registry = Registry();
    registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end());
  }
  // A destructor cannot raise (an error at program end is dropped): each engine call is guarded,
  // including the lookup of an engine that may already be gone.
  const std::vector<TAdsDataSet*> cursors = cursors_;
  for (TAdsDataSet* cursor : cursors) {
    if (IsConnected()) {
      try {
        cursor->SetActive(false);
      } catch (...) {
        // The cursor is closed as far as it could be.
      }
      cursor->ForgetStatement();
    }
    cursor->DetachFromConnection();
  }
  cursors_.clear();
  if (IsConnected()) {
    try {
      ace::Ace().AdsDisconnect(handle_);
    } catch (...) {
    }
    handle_ = ace::kNoConnection;
  }
}

void TAdsConnection::SetConnectPath(std::string path) {
  if (IsConnected()) {
    throw AdsConnectionError("The TAdsConnection.ConnectPath may not be changed when IsConnected is TRUE");
  }
  dictionary_ = UpperCase(path).find(".ADD") != std::string::npos;
  connectPath_ = std::move(path);
}

std::string TAdsConnection::DataFolder() const {
  std::string folder = connectPath_;
  const std::size_t n = folder.size();
  if (n > 4 && folder[n - 4] == '.' && UpperCase(folder.substr(n - 3)) == "ADD") {
    // Only "/" separates folders here; "\" is part of a name. The root keeps its separator.
    const auto separator = folder.rfind(kPathSeparator);
    if (separator == std::string::npos) return ".";
    folder.erase(separator == 0 ? 1 : separator);
  }
  if (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  return folder;
}

void TAdsConnection::SetIsConnected(bool connected) {
  if (connected == IsConnected()) return;
  if (connected) {
    Connect();
  } else {
    Disconnect();
  }
}

void TAdsConnection::Connect() {
  if (connectPath_.empty()) {
    throw AdsConnectionError("Must specify connection string before getting a server connection.");
  }
  const std::string path = Cut(connectPath_, kConnectTextLimit);
  std::string user, password;
  if (dictionary_) {
    user = Cut(Username, kLoginTextLimit);
    password = Cut(Password, kLoginTextLimit);
  }
  std::uint32_t options = 0;
  if (MiddleTierConnection) options |= 1;
  if (StoredProcedureConnection) options |= 2;
  switch (Compression) {
    case TAdsCompression::ccAdsCompressInternet: options += 12; break;
    case TAdsCompression::ccAdsCompressAlways: options += 4; break;
    case TAdsCompression::ccAdsCompressNever: options += 8; break;
    case TAdsCompression::ccAdsCompressionNotSet: break;
  }
  ace::ADSHANDLE handle = ace::kNoConnection;
  CheckAce(nullptr,
           ace::Ace().AdsConnect60(path.c_str(), AdsServerTypes, user.c_str(), password.c_str(), options, &handle));
  handle_ = handle;
  if (!dictionary_) return;
  const std::vector<TAdsDataSet*> cursors = cursors_;
  for (TAdsDataSet* cursor : cursors) {
    if (!cursor->IsTable()) continue;
    char buffer[kDefaultIndexBufferSize + 1] = {};
    std::uint16_t length = kDefaultIndexBufferSize;
    const std::uint32_t result =
        ace::Ace().AdsDDGetTableProperty(handle_, cursor->TableName().c_str(), ace::kDDDefaultIndex, buffer, &length);
    cursor->ApplyDefaultIndexAnswer(result, std::string(buffer, strnlen(buffer, kDefaultIndexBufferSize)));
  }
}

void TAdsConnection::Disconnect() {
  const std::vector<TAdsDataSet*> cursors = cursors_;
  for (TAdsDataSet* cursor : cursors) {
    try {
      cursor->SetActive(false);
    } catch (...) {
      // Disconnecting goes on whatever a cursor's close reports.
    }
    cursor->ForgetStatement();
  }
  const std::uint32_t result = ace::Ace().AdsDisconnect(handle_);
  handle_ = ace::kNoConnection;
  if (result != 0) throw MakeAdsError();
}

void TAdsConnection::AddCursor(TAdsDataSet* cursor) {
  if (std::find(cursors_.begin(), cursors_.end(), cursor) == cursors_.end()) cursors_.push_back(cursor);
}

void TAdsConnection::RemoveCursor(TAdsDataSet* cursor) {
  cursors_.erase(std::remove(cursors_.begin(), cursors_.end(), cursor), cursors_.end());
}

TAdsConnection* TAdsConnection::Find(std::string_view name, const ComponentOwner* askerOwner) {
  std::lock_guard lock(registryLock);
  const auto self = std::this_thread::get_id();
  const auto& registry = Registry();
  for (int pass = 1; pass <= 4; ++pass) {
    for (TAdsConnection* c : registry) {
      const bool sameThread = c->creatorThread_ == self;
      const bool sameOwner = c->Owner() == askerOwner;
      bool named = SameTextIgnoringCase(c->Name(), name);
      if (pass == 4 && !named && c->Owner()) {
        named = SameTextIgnoringCase(c->Owner()->Name() + "." + c->Name(), name);
      }
      if (!named) continue;
      if ((pass == 1 && sameOwner && sameThread) || (pass == 2 && sameThread) || (pass == 3 && sameOwner) ||
          pass == 4) {
        return c;
      }
    }
  }
  return nullptr;
}

std::uint32_t TAdsConnection::RunNumber() const {
  if (!IsConnected()) return 0;
  std::uint32_t run = 0;
  CheckAce(nullptr, ace::Ace().LwGetRunNumber(handle_, &run));
  return run;
}

}  // namespace lw
