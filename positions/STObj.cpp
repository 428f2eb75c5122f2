#include "positions/STObj.h"

#include <filesystem>

#include "common/Numbers.h"
#include "common/CommandText.h"

STObj::STObj(TRAPAR& par) : par_(par) {}

int32_t STObj::ObjAdd(double x, double y, double z, const std::string& name) {
  list_.push_back({x, y, z, name});
  return ObjCount();
}

int16_t STObj::ObjGet(int32_t n, double& x, double& y, double& z, std::string& name) const {
  if (!InRange(n)) return -1;
  const ObjRec& rec = list_[static_cast<size_t>(n - 1)];
  x = rec.X;
  y = rec.Y;
  z = rec.Z;
  name = rec.Name;
  return 1;
}

int16_t STObj::ObjGetText(int32_t n, std::string& text) const {
  if (!InRange(n)) return -1;
  const ObjRec& rec = list_[static_cast<size_t>(n - 1)];
  text = num::Plain(rec.X) + " " + num::Plain(rec.Y) + " " + num::Plain(rec.Z) + " " + rec.Name;
  return 1;
}

int16_t STObj::ObjEdit(int32_t n, double x, double y, double z, const std::string& name) {
  if (!InRange(n)) return -1;
  list_[static_cast<size_t>(n - 1)] = {x, y, z, name};
  return 1;
}

void STObj::ObjListClear() { list_.clear(); }

void STObj::ObjListToLines(LineList& lines) const {
  lines.clear();
  lines.reserve(list_.size());
  for (size_t i = 0; i < list_.size(); ++i) {
    const ObjRec& rec = list_[i];
    lines.push_back(num::Plain(static_cast<int64_t>(i + 1)) + " " + num::Pattern(rec.X, 1) + " " +
                    num::Pattern(rec.Y, 1) + " " + num::Pattern(rec.Z, 2) + " " + rec.Name);
  }
}

// "N X Y Z Name": each coordinate is read only when the word before it existed; a word
// that is not a number is used up and leaves NoCoord.
ObjRec STObj::ParseLine(const std::string& line) {
  ObjRec rec;
  std::string rest = line, word;
  if (GetFirstWord(rest, word) == 0) return rec;
  for (double* coord : {&rec.X, &rec.Y, &rec.Z}) {
    if (GetFirstWord(rest, word) == 0) return rec;
    if (double v; num::Parse(word, v)) *coord = v;
  }
  GetFirstWord(rest, rec.Name);
  return rec;
}

void STObj::ObjListFromLines(const LineList& lines) {
  std::vector<ObjRec> parsed;
  parsed.reserve(lines.size());
  for (const auto& line : lines) parsed.push_back(ParseLine(line));
  list_ = std::move(parsed);
}

int32_t STObj::ObjListRead(const std::string& path) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxListFileBytes) return kTooLarge;
  if (!ec && size == 0) {  // what ListWrite makes of an empty list
    list_.clear();
    return 0;
  }
  LineList lines;
  if (par_.LinesReadFile(path, lines) < 0) return -1;
  ObjListFromLines(lines);
  return ObjCount();
}

int32_t STObj::ObjListWrite(const std::string& path) {
  LineList lines;
  ObjListToLines(lines);
  return par_.LinesWriteFile(lines, path) < 0 ? -1 : ObjCount();
}

int16_t STObj::ObjGoTo(int32_t /*n*/) const { return -1; }
