#include "base/data_folder.h"

#include <utility>

namespace base {

namespace {
std::string dataFolder;
}

void SetDataFolder(std::string folder) { dataFolder = std::move(folder); }

const std::string& DataFolder() { return dataFolder; }

std::string DataFile(std::string_view name) {
  return JoinPath(dataFolder, name);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? "/" : std::string(path.substr(0, slash));
}

}  // namespace base
