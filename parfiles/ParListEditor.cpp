#include "parfiles/ParListEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

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

// What the readers of the shipped settings files take for each key.
enum class Takes { Number, Range, Text, Controller };

struct KeyRule {
  std::string_view name;
  Takes takes;
  bool nonZero = false;                     // the unit computation divides by it
  double min = INT16_MIN, max = INT16_MAX;  // for Range: after rounding half to even
};

constexpr double kInt32Min = INT32_MIN, kInt32Max = INT32_MAX;

constexpr KeyRule kRules[] = {
    // ST_CONFIG.TXT
    {"MPORT", Takes::Range},
    {"PORTTIMEOUT", Takes::Range, false, 1},
    {"MOVETIMEOUT", Takes::Range, false, 1},
    {"WAITPOLLINGINTERVAL", Takes::Range, false, 0},
    {"CONTRTYPE", Takes::Controller},
    {"JOYSTARTON", Takes::Range},
    {"Z_INSTALLED", Takes::Range},
    {"SERVERTCPPORT", Takes::Range, false, 0, 65535},
    {"ZPOSPOLL", Takes::Range, false, 0, 3600000},
    // ST_PARZ.TXT
    {"ZCONTR", Takes::Text},
    {"ZSTROKEPERROT", Takes::Number, true},
    {"ZMOTORSTEPS", Takes::Range, true},
    {"ZSTEPDIVIDE", Takes::Range},
    {"ZHOLDCURRENT", Takes::Range},
    {"ZRUNCURRENT", Takes::Range},
    {"ZSLEWVELOCITY", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZINITVELOCITY", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZACCELERATION", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZDECELERATION", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZJOGSPEEDLOW", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZJOGSPEEDHIGH", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZBACKLASH", Takes::Number},
    {"ZJUMPSIZE", Takes::Number},
    {"ZCOARSEFACTOR", Takes::Range},
    {"ZJOYMAXSPEED", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZHOMESPEED", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZPOWERUPORIGIN", Takes::Range, false, kInt32Min, kInt32Max},
    {"ZLIMPOLARITY", Takes::Range},
    {"ZENABLELIMITS", Takes::Range},
    {"ZMIN", Takes::Number},
    {"ZMAX", Takes::Number},
    // ST_JOY.TXT
    {"JAXIS1_L", Takes::Range, false, kInt32Min, kInt32Max},
    {"JAXIS1_0", Takes::Range, false, kInt32Min, kInt32Max},
    {"JAXIS1_R", Takes::Range, false, kInt32Min, kInt32Max},
    {"JAXIS2_L", Takes::Range, false, kInt32Min, kInt32Max},
    {"JAXIS2_0", Takes::Range, false, kInt32Min, kInt32Max},
    {"JAXIS2_R", Takes::Range, false, kInt32Min, kInt32Max},
    {"JLATENT", Takes::Range, false, 0, INT32_MAX / 10},
    {"JAXIS1_Dir", Takes::Number},
    {"JAXIS2_Dir", Takes::Number},
};

std::string Whole(double v) { return std::to_string(static_cast<int64_t>(v)); }

std::string NumberProblem(const KeyRule& rule, const std::string& value) {
  double number = 0;
  if (!num::Parse(value, number)) return "Not a number";
  if (rule.nonZero && number == 0) return "Must not be 0";
  if (rule.takes != Takes::Range) return {};
  const double rounded = std::nearbyint(number);  // half to even
  if (rounded < rule.min || rounded > rule.max)
    return "Out of range: " + Whole(rule.min) + " to " + Whole(rule.max);
  return {};
}

}  // namespace

std::string ParListEditor::ValueProblem(const std::string& name, const std::string& value) {
  const auto rule = std::find_if(std::begin(kRules), std::end(kRules),
                                 [&](const KeyRule& r) { return r.name == name; });
  if (rule == std::end(kRules)) return {};
  std::string trimmed = value;
  trimmed.erase(0, trimmed.find_first_not_of(' '));
  trimmed.erase(trimmed.find_last_not_of(' ') + 1);
  switch (rule->takes) {
    case Takes::Text: return trimmed.empty() ? "Must not be empty" : "";
    case Takes::Controller:
      return trimmed == "EZHR17" || trimmed == "IM483I" ? "" : "Must be EZHR17 or IM483I";
    default: return NumberProblem(*rule, trimmed);
  }
}

std::string ParListEditor::CommaProblem(const std::string& value) {
  if (value.find(',') == std::string::npos) return {};
  return "A value cannot hold a comma: the file would cut it at the comma (" + value + ")";
}

bool ParListEditor::Load() {
  rows_.clear();
  entries_.clear();
  path_ = store_.ParGetPath();
  loaded_ = store_.ParLoad() == 1;
  if (!loaded_) return false;
  const int16_t n = store_.ParCount();
  std::vector<std::string> remarks = TRAPAR::ParReadRemarks(path_);
  remarks.resize(static_cast<size_t>(n));
  entries_.resize(static_cast<size_t>(n));
  rows_.resize(static_cast<size_t>(n));
  for (int16_t i = 0; i < n; ++i) {
    ParEntry& entry = entries_[static_cast<size_t>(i)];
    store_.ParGetAt(i, entry.Name, entry.Value);
    rows_[static_cast<size_t>(i)] = {entry.Name, ShownText(entry.Value),
                                     remarks[static_cast<size_t>(i)]};
  }
  return true;
}

ParGridSize ParListEditor::GridSize(int count, int valueWidth, int maxShown, int maxWidth) {
  ParGridSize size;
  const int rows = count + 1;
  size.shownRows = std::clamp(rows, 1, std::clamp(maxShown, 2, ParGridSize::kMaxShownRows));
  size.scrollBar = rows > size.shownRows;
  const int names = ParGridSize::kNameWidth + 100 +
                    (size.scrollBar ? ParGridSize::kScrollBarRoom : 0);
  const int valueRoom = std::min(ParGridSize::kMaxValueWidth,
                                 maxWidth - names - ParGridSize::kMinRemarkWidth);
  size.valueWidth = std::max(ParGridSize::kValueWidth, std::min(valueWidth, valueRoom));
  const int fixed = names + size.valueWidth;
  size.remarkWidth = std::clamp(maxWidth - fixed, ParGridSize::kMinRemarkWidth,
                                ParGridSize::kRemarkWidth);
  size.width = fixed + size.remarkWidth;
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
