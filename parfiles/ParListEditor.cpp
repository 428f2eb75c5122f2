#include "parfiles/ParListEditor.h"

#include <algorithm>

#include "common/Numbers.h"
#include "parfiles/TRAPAR.h"

namespace {

// Text values as they are, numbers in the general form.
std::string ShownText(const ParValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  double number = 0;
  TRAPAR::ValueNumber(value, number);
  return num::General(number);
}

}  // namespace

bool ParListEditor::Load() {
  rows_.clear();
  entries_.clear();
  path_ = store_.ParGetPath();
  loaded_ = store_.ParLoad() == 1;
  if (!loaded_) return false;
  const int16_t n = store_.ParCount();
  entries_.resize(static_cast<size_t>(n));
  rows_.resize(static_cast<size_t>(n));
  for (int16_t i = 0; i < n; ++i) {
    ParEntry& entry = entries_[static_cast<size_t>(i)];
    store_.ParGetAt(i, entry.Name, entry.Value);
    rows_[static_cast<size_t>(i)] = {entry.Name, ShownText(entry.Value)};
  }
  return true;
}

ParGridSize ParListEditor::GridSize(int count) {
  ParGridSize size;
  const int rows = count + 1;
  size.shownRows = std::min(rows, ParGridSize::kMaxShownRows);
  size.scrollBar = rows > size.shownRows;
  size.width = ParGridSize::kNameWidth + ParGridSize::kValueWidth + 100 +
               (size.scrollBar ? ParGridSize::kScrollBarRoom : 0);
  size.height = ParGridSize::kRowHeight * size.shownRows + 100;
  return size;
}

int16_t ParListEditor::WriteBack(const std::vector<ParRow>& shown) {
  if (!loaded_) return 0;
  bool changed = false;
  const size_t n = std::min(shown.size(), rows_.size());
  for (size_t i = 0; i < n; ++i) {
    ParEntry& entry = entries_[i];
    const ParRow& row = shown[i];
    if (row.Name != entry.Name || row.Value == rows_[i].Value) continue;
    entry.Value = row.Value;
    changed = true;
  }
  if (!changed) return 1;
  return store_.ParUpdateFile(path_, entries_) == 1 ? 1 : -1;
}
