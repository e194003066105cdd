#pragma once
// A decorator over any engine that records every call with its arguments and result, and can
// make the Nth call of a named function fail with a chosen code (setting the thread's last error
// through the inner engine, so AdsGetLastError reports it). Tests check the data layer's call
// sequences with it.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/ace/AceCalls.h"

namespace lw::ace {

struct TracedCall {
  std::string function;   // "AdsSkip"
  std::string arguments;  // input values, e.g. "7, 1"; text in double quotes; out-only as "out"
  std::uint32_t result = 0;
  bool injected = false;  // the result came from a planned failure, the inner engine was not called
};

class TracingAce : public AceApi {
 public:
  // The inner engine is not owned and must outlive this object.
  explicit TracingAce(AceApi& inner);

  // Every call since construction or the last Clear().
  const std::vector<TracedCall>& Calls() const { return calls_; }
  // Only the names, in order.
  std::vector<std::string> Names() const;
  // Calls of one function.
  std::vector<TracedCall> CallsOf(const std::string& function) const;
  int CountOf(const std::string& function) const;
  void Clear();
  // Recording can be paused (calls still pass through; planned failures still count and fire).
  void SetRecording(bool on) { recording_ = on; }

  // The nth call (from 1, counted from now) of function returns code without calling the inner
  // engine; the thread's last error becomes code with text (AceErrorText(code) when empty).
  // Throws std::invalid_argument for an nth below 1 and for a call that already has a planned
  // failure (ClearFailures drops the plans).
  void FailNth(const std::string& function, int nth, std::uint32_t code, std::string text = {});
  // Drops every planned failure.
  void ClearFailures();

  LW_ACE_OVERRIDES  // every call of ace::AceApi

 private:
  struct Plan {
    int remaining;  // calls left before the failing one
    std::uint32_t code;
    std::string text;
  };
  std::uint32_t Record(const char* function, std::string arguments, const std::function<std::uint32_t()>& call);
  static std::string Text(const char* text);
  static std::string Number(double value);
  template <typename T>
  static std::string InOut(const T* value) {
    return value == nullptr ? std::string("null") : std::to_string(*value);
  }

  AceApi& inner_;
  std::vector<TracedCall> calls_;
  std::multimap<std::string, Plan> plans_;
  bool recording_ = true;
};

}  // namespace lw::ace
