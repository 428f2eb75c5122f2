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
  loaded_ = store_.ParLoad() == 1;
  if (!loaded_) return false;
  const int16_t n = store_.ParCount();
  rows_.resize(static_cast<size_t>(n));
  for (int16_t i = 0; i < n; ++i) {
    ParValue value;
    store_.ParGetAt(i, rows_[static_cast<size_t>(i)].Name, value);
    rows_[static_cast<size_t>(i)].Value = ShownText(value);
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
  const size_t n = std::min({static_cast<size_t>(store_.ParCount()), shown.size(), rows_.size()});
  for (int16_t i = 0; static_cast<size_t>(i) < n; ++i) {
    std::string name;
    ParValue value;
    if (store_.ParGetAt(i, name, value) != 1) break;
    const ParRow& row = shown[static_cast<size_t>(i)];
    if (row.Name != name || row.Value == rows_[static_cast<size_t>(i)].Value) continue;
    if (store_.ParSetAt(i, ParValue(row.Value)) != 1) break;
    changed = true;
  }
  if (!changed) return 1;
  return store_.ParSaveValues() == 1 ? 1 : -1;
}
