#pragma once
// File names given in commands, taken relative to a folder.
#include <string>

// A relative name joined to folder; an absolute name as it is.
std::string ResolveInFolder(const std::string& folder, const std::string& name);
// True when path, with "." and ".." and symbolic links of its existing part resolved,
// lies inside folder (not the folder itself).
bool LiesInFolder(const std::string& path, const std::string& folder);
// True when both paths name the same file: equal once "." and ".." and symbolic links
// of their existing parts are resolved, or one existing file reached by two names (a
// hard link).
bool SameFile(const std::string& a, const std::string& b);
