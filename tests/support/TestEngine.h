#pragma once
// The engine tests install: the programs' dispatcher over the embedded engine and the server
// provider, so every test runs on whichever kind of practice its fixture built.

#include <memory>

#include "data/ace/AceApi.h"
#include "pgengine/ServerEngine.h"

namespace lw::test {

inline std::unique_ptr<ace::AceApi> NewEngine() { return pgengine::CreatePracticeEngine(); }

}  // namespace lw::test
