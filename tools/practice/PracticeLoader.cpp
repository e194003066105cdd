#include "tools/practice/PracticeLoader.h"

#include "pgengine/ServerDescriptor.h"

namespace lw::practice {

std::vector<std::string> ColumnNames(const std::string& dictionaryPath, const std::string& table) {
  if (pgengine::IsServerDescriptor(dictionaryPath)) return pgengine::ServerLoader(dictionaryPath).ColumnNames(table);
  return engine::DictionaryColumnNames(dictionaryPath, table);
}

PracticeLoader::PracticeLoader(const std::string& dictionaryPath) {
  if (pgengine::IsServerDescriptor(dictionaryPath)) {
    server_ = std::make_unique<pgengine::ServerLoader>(dictionaryPath);
  } else {
    embedded_ = std::make_unique<engine::DictionaryLoader>(dictionaryPath);
  }
}

}  // namespace lw::practice
