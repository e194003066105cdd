// Building an engine error while memory runs out. Each allocation made from the engine's last
// error onwards fails in turn: the failure is raised either as the engine error or as
// std::bad_alloc, never passed as success; the thread's error-building flag is clear afterwards,
// so the next failure is still raised with its own message and code.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "data/AdsErrors.h"
#include "data/PracticeComponents.h"
#include "data/ace/AceProvider.h"
#include "tests/data/DataFixture.h"
#include "tests/support/ace/TracingAce.h"

namespace {

// -1: allocations never fail; n >= 0: the allocation after the next n fails, once.
thread_local long allocationsBeforeFailure = -1;

}  // namespace

// Every std::string and container of this test program allocates here. Forwarded to the operator
// found next (the sanitizers' or the standard library's), so every other check keeps working.
void* operator new(std::size_t size) {
  if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0) throw std::bad_alloc();
  using Allocate = void* (*)(std::size_t);
  static const auto next = reinterpret_cast<Allocate>(dlsym(RTLD_NEXT, "_Znwm"));
  if (next == nullptr) std::abort();
  return next(size);
}

namespace lw::test {
namespace {

// Arms the failing allocation as AdsGetLastError returns: what follows is building the error.
class FailingAfterLastError : public ace::TracingAce {
 public:
  using TracingAce::TracingAce;
  std::uint32_t AdsGetLastError(std::uint32_t* errorCode, char* buffer, std::uint16_t* length) override {
    const std::uint32_t result = TracingAce::AdsGetLastError(errorCode, buffer, length);
    allocationsBeforeFailure = armed;
    armed = -1;
    return result;
  }
  long armed = -1;
};

TEST(ErrorBuilding, RunningOutOfMemoryWhileBuildingAnErrorLeavesTheNextErrorIntact) {
  const auto engine = NewEngine();
  FailingAfterLastError tracer(*engine);
  ace::ScopedAce installed(tracer);
  ComponentOwner owner("frmMain");
  PracticeComponents components(&owner);
  components.AdsConnection1.SetConnectPath("/srv/practices/the-dental-practice-of-dr-example/MWDDF.ADD");
  // Long enough that neither the text nor the prefixed message fits a string's inline buffer.
  const std::string text = "The write failed: no space is left on the device that holds the practice.";

  int escapedAsOutOfMemory = 0;
  for (long failing = 0;; ++failing) {
    ace::Ace().AdsSetLastError(5132, text.c_str());
    tracer.armed = failing;
    bool builtWithoutFailing = false;
    try {
      CheckAce(&components.tblChg, 1);
      allocationsBeforeFailure = -1;
      ADD_FAILURE() << "allocation " << failing << ": a failed engine call passed as success";
    } catch (const std::bad_alloc&) {
      allocationsBeforeFailure = -1;
      ++escapedAsOutOfMemory;
    } catch (const EADSDatabaseError& error) {
      builtWithoutFailing = allocationsBeforeFailure >= 0;
      allocationsBeforeFailure = -1;
      // A failure while the cursor's fields are filled in is dropped; the error still goes out.
      EXPECT_EQ(error.AceCode, 5132u) << "allocation " << failing;
      EXPECT_EQ(error.Message(), "tblChg: " + text) << "allocation " << failing;
    }
    EXPECT_FALSE(ErrorBeingBuilt()) << "allocation " << failing << " left the error-building flag set";

    // The next failure on this thread is raised in full.
    ace::Ace().AdsSetLastError(5035, "The record is locked by another user.");
    try {
      CheckAce(&components.tblPax, 1);
      ADD_FAILURE() << "after allocation " << failing << " a failed engine call passed as success";
    } catch (const EADSDatabaseError& error) {
      EXPECT_EQ(error.AceCode, 5035u);
      EXPECT_EQ(error.Message(), "tblPax: The record is locked by another user.");
      EXPECT_EQ(error.CursorTableName, "MWPAX");
      EXPECT_EQ(error.CursorDataFolder, "/srv/practices/the-dental-practice-of-dr-example");
    }
    if (builtWithoutFailing || HasFailure()) break;
  }
  // Reading the engine's text and formatting the message with the cursor's name both allocate.
  EXPECT_GE(escapedAsOutOfMemory, 2);
}

}  // namespace
}  // namespace lw::test
