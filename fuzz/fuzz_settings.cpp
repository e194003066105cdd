// The settings store's parser: any bytes either parse or raise ERegistryException, and what
// parses writes back to text that parses to the same keys and values.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/Exceptions.h"
#include "common/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  lw::RegFile file;
  try {
    file = lw::RegFile::Parse(bytes, "fuzz.reg");
  } catch (const lw::ERegistryException&) {
    return 0;
  }
  const std::string text = file.Serialize();
  lw::RegFile back;
  try {
    back = lw::RegFile::Parse(text, "written.reg");
  } catch (const lw::ERegistryException&) {
    std::abort();  // the writer produced text its own parser refuses
  }
  if (back.Keys().size() != file.Keys().size()) std::abort();
  for (std::size_t k = 0; k < file.Keys().size(); ++k) {
    const lw::RegKey& a = file.Keys()[k];
    const lw::RegKey& b = back.Keys()[k];
    if (a.path != b.path || a.values.size() != b.values.size()) std::abort();
    for (std::size_t v = 0; v < a.values.size(); ++v) {
      if (a.values[v].name != b.values[v].name || a.values[v].type != b.values[v].type) std::abort();
    }
  }
  return 0;
}
