// The folder the picture files are read from. The back end chooses it
// before the run starts; empty means the working folder, as always.
#pragma once
#include <string>
#include <string_view>

namespace base {

void SetDataFolder(std::string folder);
const std::string& DataFolder();
// `name` inside the data folder.
std::string DataFile(std::string_view name);

// `name` inside `folder` (the name alone when the folder is empty). On
// Windows the parts are joined with '\', and either slash ends a folder.
std::string JoinPath(std::string_view folder, std::string_view name);
// The folder a path is in ("." for a bare name, "/" for one at the root;
// on Windows "C:\" for one at a drive's root).
std::string FolderOf(std::string_view path);
// The last part of a path, its file's own name.
std::string NameOf(std::string_view path);

}  // namespace base
