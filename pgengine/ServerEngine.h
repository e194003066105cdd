#pragma once
// The server provider's entry points, and the engine the programs install: a dispatcher that
// connects through the embedded engine or the server provider according to what the practice's
// MWDDF.ADD is, and sends every later call to the provider whose handle it carries.

#include <memory>

#include "data/ace/AceApi.h"

namespace lw::pgengine {

// Handles of the server provider start here; the embedded engine's stay below.
inline constexpr ace::ADSHANDLE kServerHandleBase = 0x40000000;

// A new server provider instance.
std::unique_ptr<ace::AceApi> CreateServerEngine();

// The dispatcher over a new embedded engine and a new server provider.
std::unique_ptr<ace::AceApi> CreatePracticeEngine();

}  // namespace lw::pgengine
