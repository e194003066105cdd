#pragma once
// Shorthands for the bodies of the engine calls of both providers (SqliteEngine*.cpp,
// PgEngine*.cpp): take the engine's call lock (callLock_), return a failing status as the call's
// result, refuse a missing out pointer.

#define LW_LOCK std::lock_guard lock(callLock_)
#define LW_TRY(expr)                           \
  do {                                         \
    ::lw::engine::Status status_ = (expr);     \
    if (!status_.ok()) return Finish(status_); \
  } while (false)
#define LW_OUT(ptr) \
  if ((ptr) == nullptr) return Finish(Status::Error(ace::kInvalidArgument))
