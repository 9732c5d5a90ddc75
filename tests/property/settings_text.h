#pragma once
// Reads Korvalo.ini in the working folder the way a person would check it:
// Shift_JIS text of exactly three CR LF lines, "手順番号表示", "ｱｲｺﾝ表示"
// and "BGM" in this order, each "=OK" or "=NG".
#include <array>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace korvalo::testing {

// The option marks in the order TEJYUN, AICON, BGM.
using Marks = std::array<bool, 3>;

// The three marks the file stores, or nothing with the reason in *why when
// the file is missing, unreadable or not of that form.
std::optional<Marks> storedMarks(std::string* why);

// The menu's check marks now.
Marks checkMarks(const Platform& ui);

// "TEJYUN=1 AICON=0 BGM=1".
std::string marksText(const Marks& marks);

// Empty when the file stores exactly these marks, otherwise what is wrong.
std::string settingsFileProblem(const Marks& expected);

}  // namespace korvalo::testing
