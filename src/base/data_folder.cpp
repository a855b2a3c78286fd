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

#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr std::string_view kSeparators = "/\\";
#else
constexpr char kSeparator = '/';
constexpr std::string_view kSeparators = "/";
#endif

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && kSeparators.find(path.back()) == std::string::npos) {
    path += kSeparator;
  }
  path += name;
  return path;
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of(kSeparators);
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return std::string(path.substr(0, 1));
#ifdef _WIN32
  // "C:" alone would be the drive's working folder, not its root.
  if (slash == 2 && path[1] == ':') return std::string(path.substr(0, 3));
#endif
  return std::string(path.substr(0, slash));
}

std::string NameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of(kSeparators);
  return std::string(slash == std::string_view::npos ? path
                                                     : path.substr(slash + 1));
}

}  // namespace base
