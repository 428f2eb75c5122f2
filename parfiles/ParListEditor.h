#pragma once
// The logic behind the parameter list editor: the rows it shows for the store's current
// file (name, value and the line's remark), the checks of a typed value, the grid's size
// in twips, and the write-back when the editor closes (only the changed values; the file
// keeps its remarks and its other lines).
#include <cstdint>
#include <string>
#include <vector>

#include "parfiles/TRAPAR.h"

struct ParRow {
  std::string Name;
  std::string Value;
  std::string Remark{};  // the text after the value in the file; shown, never written
};

// Grid geometry in twips for a number of parameters.
struct ParGridSize {
  static constexpr int kNameWidth = 2200;
  static constexpr int kValueWidth = 1400;  // at least; a wider value widens it
  static constexpr int kMaxValueWidth = 4000;
  static constexpr int kRemarkWidth = 4800;  // at most; narrower on a narrow screen
  static constexpr int kMinRemarkWidth = 1500;
  static constexpr int kRowHeight = 260;
  static constexpr int kMaxShownRows = 31;  // header row included
  static constexpr int kScrollBarRoom = 240;
  int shownRows = 1;  // header included
  bool scrollBar = false;
  int valueWidth = kValueWidth;
  int remarkWidth = kRemarkWidth;
  int width = 0;
  int height = 0;
};

class ParListEditor {
 public:
  explicit ParListEditor(TRAPAR& store) : store_(store) {}

  // Reads the store's current file afresh. On failure (the store has shown why) the
  // rows are empty and WriteBack writes nothing, so no other file's entries ever land
  // under this file's name.
  bool Load();
  bool Loaded() const { return loaded_; }
  const std::vector<ParRow>& Rows() const { return rows_; }

  // The grid for count parameters whose widest value needs valueWidth twips, on a screen
  // that has room for maxShown rows (header included) and maxWidth twips: the
  // description column gives way first, then the value column (each down to its least
  // width; the tooltips show the whole texts).
  static ParGridSize GridSize(int count, int valueWidth = ParGridSize::kValueWidth,
                              int maxShown = ParGridSize::kMaxShownRows, int maxWidth = 1 << 30);

  // Why the readers of the settings refuse value for the key name (a sentence), or an
  // empty text when they take it; keys that are not known here take any value.
  static std::string ValueProblem(const std::string& name, const std::string& value);
  // The refusal of a value that holds a comma (the file would cut it there), or an
  // empty text when the value has none.
  static std::string CommaProblem(const std::string& value);
  // Top or left of a window of `size` centred in `screen`, all in twips.
  static int Centre(int screen, int size) { return (screen - size) / 2; }

  // Stores the shown values into the entries whose names still match and writes them
  // into the file it loaded (whatever file the store has moved on to while the editor
  // was open), which keeps everything else. 1 after the write, and when no value
  // changed (nothing is written then); -1 when the write failed; 0 when nothing was
  // loaded.
  int16_t WriteBack(const std::vector<ParRow>& shown);

 private:
  TRAPAR& store_;
  std::string path_;  // the file loaded, and its entries as loaded
  ParTable entries_;
  std::vector<ParRow> rows_;
  bool loaded_ = false;
};
