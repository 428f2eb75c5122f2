#pragma once
// What the file dialog is asked for. An empty folder or file in its answer means that
// nothing was chosen.
#include <string>

struct FileRequest {
  std::string startDir;  // folder shown first
  std::string filter;    // pattern applied to the file list ("ST_PARZ*.TXT", "*.PRG")
  std::string patterns;  // blank-separated patterns offered ("*.TXT *.*")
  std::string title;     // window caption
};
