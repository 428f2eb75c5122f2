#pragma once
// The position list: numbered (from 1), optionally named positions X, Y, Z in user
// units, kept in memory and saved to / loaded from line-list files.
#include <cstdint>
#include <string>
#include <vector>

#include "parfiles/TRAPAR.h"

// Stored in a coordinate that is not known.
inline constexpr double NoCoord = 77777.7;

struct ObjRec {
  double X = NoCoord;
  double Y = NoCoord;
  double Z = NoCoord;
  std::string Name;  // one word without blanks, possibly empty
};

class STObj {
 public:
  explicit STObj(TRAPAR& par);

  // The number of the new entry (the new count).
  int32_t ObjAdd(double x, double y, double z, const std::string& name);
  // 1; -1 when n < 1 or n > ObjCount (outputs untouched).
  int16_t ObjGet(int32_t n, double& x, double& y, double& z, std::string& name) const;
  // "X Y Z Name", each number in the plain form: " 1  2  3 top".
  int16_t ObjGetText(int32_t n, std::string& text) const;
  int16_t ObjEdit(int32_t n, double x, double y, double z, const std::string& name);
  int32_t ObjGetNum() const { return ObjCount(); }
  int32_t ObjCount() const { return static_cast<int32_t>(list_.size()); }
  void ObjListClear();

  // One line per entry: " 1 77777.7 77777.7 12.50 top" (number, X "0.0", Y "0.0",
  // Z "0.00", name).
  void ObjListToLines(LineList& lines) const;
  // Replaces the list, one entry per line; a line's first word (its old number) is
  // skipped, words that are not numbers leave NoCoord, nothing is ever rejected.
  void ObjListFromLines(const LineList& lines);
  // The longest list file read.
  static constexpr uintmax_t kMaxListFileBytes = 16u * 1024 * 1024;
  static constexpr int32_t kTooLarge = -2;
  // The new count (an empty file is an empty list); -1 when the file is missing, holds
  // no field or cannot be read,
  // kTooLarge when it is longer than kMaxListFileBytes (the list then stays as it was).
  int32_t ObjListRead(const std::string& path);
  // The count; -1 when the file cannot be written (an existing file stays intact).
  int32_t ObjListWrite(const std::string& path);
  // No axis here moves in X and Y: always -1.
  int16_t ObjGoTo(int32_t n) const;

 private:
  bool InRange(int32_t n) const { return n >= 1 && n <= ObjCount(); }
  static ObjRec ParseLine(const std::string& line);

  TRAPAR& par_;
  std::vector<ObjRec> list_;
};
