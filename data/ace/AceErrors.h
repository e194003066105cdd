#pragma once
// Every result code the engine returns, with its text. The codes are chosen once here and used
// by the engine and by the data layer alike; a failing call sets the thread's last error to the
// code and to its text, sometimes followed by a detail (a path, a column name).

#include <cstdint>

namespace lw::ace {

inline constexpr std::uint32_t kSuccess = 0;

// Engine and handle misuse.
inline constexpr std::uint32_t kInternalError = 5000;
inline constexpr std::uint32_t kInvalidArgument = 5004;
inline constexpr std::uint32_t kInsufficientBuffer = 5005;
inline constexpr std::uint32_t kInvalidFieldNumber = 5012;
inline constexpr std::uint32_t kInvalidHandle = 5018;
inline constexpr std::uint32_t kRecordNotFound = 5022;
inline constexpr std::uint32_t kConnectionNotOpen = 5024;
inline constexpr std::uint32_t kRecordLocked = 5035;
inline constexpr std::uint32_t kPermissionDenied = 5054;
inline constexpr std::uint32_t kStaticView = 5064;
inline constexpr std::uint32_t kNoCurrentRecord = 5068;
inline constexpr std::uint32_t kTableReadOnly = 5072;
inline constexpr std::uint32_t kNoPendingUpdate = 5085;
inline constexpr std::uint32_t kStatementClosed = 5106;
inline constexpr std::uint32_t kNoRowsAffected = 5117;
// Refusals a cursor of the data layer raises itself (never returned by the engine).
inline constexpr std::uint32_t kCursorRefusal = 5121;
inline constexpr std::uint32_t kNotInDictionary = 5132;
inline constexpr std::uint32_t kNoDefaultIndex = 5138;
inline constexpr std::uint32_t kIndexNotFound = 5140;
inline constexpr std::uint32_t kInvalidSegment = 5143;
inline constexpr std::uint32_t kNotEncrypted = 5145;
// The three column errors: their texts name the column as: column "<name>".
inline constexpr std::uint32_t kValueDoesNotFit = 5147;
inline constexpr std::uint32_t kColumnNotFound = 5148;
inline constexpr std::uint32_t kColumnNotWritable = 5149;
inline constexpr std::uint32_t kRecordChanged = 5186;

// Connecting.
inline constexpr std::uint32_t kRemoteServerUnavailable = 6420;
inline constexpr std::uint32_t kDictionaryNotFound = 7008;
inline constexpr std::uint32_t kNotADictionary = 7016;
inline constexpr std::uint32_t kDictionaryDamaged = 7017;
inline constexpr std::uint32_t kLoginRefused = 7078;
// The engine's files and locks work between the processes of one machine only.
inline constexpr std::uint32_t kNetworkFileSystem = 7079;

// A practice kept on a database server.
inline constexpr std::uint32_t kServerUnreachable = 6060;
inline constexpr std::uint32_t kServerConnectionLost = 6061;
inline constexpr std::uint32_t kServerLoginRefused = 6062;

// Storage.
inline constexpr std::uint32_t kStorageError = 7000;
inline constexpr std::uint32_t kDatabaseBusy = 7041;
inline constexpr std::uint32_t kDuplicateKey = 7057;
// Each storage failure named for what it is (kStorageError: the file could not be read or
// written, an I/O error).
inline constexpr std::uint32_t kCannotOpen = 7004;
inline constexpr std::uint32_t kReadOnlyStorage = 7005;
inline constexpr std::uint32_t kDiskFull = 7006;

// SQL. A rejected statement's text has the form
//   "Error 7200: The SQL statement was rejected. NativeError = N; <detail>"
// with N one of the kNative... numbers below.
inline constexpr std::uint32_t kSqlError = 7200;
inline constexpr std::uint32_t kSqlNotPrepared = 7209;

inline constexpr std::int32_t kNativeSyntaxError = 2101;
inline constexpr std::int32_t kNativeUnterminatedText = 2102;
inline constexpr std::int32_t kNativeUnknownColumn = 2103;
inline constexpr std::int32_t kNativeUnknownTable = 2104;
inline constexpr std::int32_t kNativeUnsupported = 2105;
inline constexpr std::int32_t kNativeEvaluation = 2106;

// The text of a code ("" for 0; a generic text for an unknown code).
constexpr const char* AceErrorText(std::uint32_t code) {
  switch (code) {
    case kSuccess: return "";
    case kInternalError: return "The database engine met an internal error.";
    case kInvalidArgument: return "An argument passed to the database engine is not valid.";
    case kInsufficientBuffer: return "The buffer is too small for the requested data.";
    case kInvalidFieldNumber: return "The column number is not valid for this table.";
    case kInvalidHandle: return "The handle is not valid or has been closed.";
    case kRecordNotFound: return "The record no longer exists in the table.";
    case kConnectionNotOpen: return "The connection is not open.";
    case kRecordLocked: return "The record is locked by another user.";
    case kPermissionDenied: return "Permission denied.";
    case kStaticView: return "This table is based on a static VIEW. Static VIEWs can not be updated.";
    case kNoCurrentRecord: return "There is no current record.";
    case kTableReadOnly: return "The table was opened read-only and cannot be changed.";
    case kNoPendingUpdate: return "There is no pending change to cancel.";
    case kStatementClosed: return "The SQL statement handle is not open.";
    case kNoRowsAffected: return "A SELECT statement reports no count of rows affected.";
    case kCursorRefusal: return "The cursor refused the operation.";
    case kNotInDictionary: return "The table is not in the data dictionary:";
    case kNoDefaultIndex: return "The table has no default index in the data dictionary.";
    case kIndexNotFound: return "The index does not exist for this table:";
    case kInvalidSegment: return "The index has no key column of that number.";
    case kNotEncrypted: return "The table is not encrypted.";
    case kValueDoesNotFit: return "The value does not fit";
    case kColumnNotFound: return "There is no such";
    case kColumnNotWritable: return "The engine assigns the value of";
    case kRecordChanged: return "Record was changed by another user.";
    case kRemoteServerUnavailable:
      return "No remote database server is available; this engine serves local connections only.";
    case kDictionaryNotFound: return "The data dictionary file does not exist:";
    case kNotADictionary: return "The file is not a data dictionary of this database engine:";
    case kDictionaryDamaged: return "The data dictionary file is damaged:";
    case kLoginRefused: return "The user name or password is not valid for this data dictionary.";
    case kServerUnreachable: return "The practice's database server could not be reached:";
    case kServerConnectionLost: return "The connection to the practice's database server was lost:";
    case kServerLoginRefused: return "The practice's database server refused the login:";
    case kStorageError: return "The database file could not be read or written:";
    case kDatabaseBusy: return "The database stayed busy with another user's work; try again later.";
    case kCannotOpen: return "The practice's database file could not be opened:";
    case kReadOnlyStorage: return "The practice's files are read-only here; nothing was written:";
    case kDiskFull: return "The disk holding the practice is full; nothing was written:";
    case kNetworkFileSystem:
      return "The practice lies on a network file system, where this engine cannot keep its users' changes "
             "apart; a practice shared by several workstations belongs on a database server:";
    case kDuplicateKey: return "The change would give two rows the same key in a unique index:";
    case kSqlError: return "Error 7200: The SQL statement was rejected.";
    case kSqlNotPrepared: return "Error 7209: The SQL statement has not been prepared.";
    default: return "The database engine reported an error.";
  }
}

}  // namespace lw::ace
