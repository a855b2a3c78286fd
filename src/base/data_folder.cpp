#include "base/data_folder.h"

#include <utility>

namespace base {

namespace {
std::string dataFolder;
}

void SetDataFolder(std::string folder) { dataFolder = std::move(folder); }

const std::string& DataFolder() { return dataFolder; }

std::string DataFile(std::string_view name) {
  if (dataFolder.empty()) return std::string(name);
  std::string path = dataFolder;
  if (path.back() != '/') path += '/';
  path += name;
  return path;
}

}  // namespace base
