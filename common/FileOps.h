#pragma once
// File commands of the file dialog: make and remove folders, delete and copy files,
// copy a folder tree. Nothing throws; every failure comes back as a text for the
// operator, and nothing existing is overwritten unless the ask callback agrees.
#include <functional>
#include <string>
#include <vector>

namespace fileops {

// Asked with the target path before an existing file is replaced; true replaces it.
using AskOverwrite = std::function<bool(const std::string& target)>;

// False with the reason in error when the folder exists already or cannot be made.
bool MakeFolder(const std::string& path, std::string& error);
// Removes an empty folder; false with the reason otherwise.
bool RemoveFolder(const std::string& path, std::string& error);

// Deletes dir/name for each name that exists; the number deleted. A name that cannot be
// deleted (a folder, no permission) adds a line to errors.
int DeleteFiles(const std::string& dir, const std::vector<std::string>& names,
                std::vector<std::string>& errors);

// Copies dir/name into the folder target for each name; the number copied.
int CopyFiles(const std::string& dir, const std::vector<std::string>& names,
              const std::string& target, const AskOverwrite& ask, std::vector<std::string>& errors);

// Copies the folder source with everything below it into target/<its name>; the number
// of files copied. A target inside the source is refused.
int CopyFolder(const std::string& source, const std::string& target, const AskOverwrite& ask,
               std::vector<std::string>& errors);

}  // namespace fileops
