#pragma once

// Numbers as the editing dialogs type and show them: always the C form (a dot), whatever the
// user's locale, and never a value that is not finite.

#include <string>

// Longest number text a cell editor takes; longer texts are refused, not cut.
inline constexpr int kMaxNumberText = 31;

// Reads a typed number: blanks and tabs may surround it; the text must be one decimal number
// and nothing else. Refused (false, out untouched): empty or longer than kMaxNumberText,
// trailing characters, hexadecimal, "inf"/"nan", values beyond double's range, and a value of
// 0 whose first non-blank character is not the digit 0 (so "-0" and ".0" are refused).
bool ParseNumberText(const std::string& text, double& out);
// v with the given count of decimals ("%.3lf" for 3), C form; non-finite values give "0".
std::string FormatFixed(double v, int decimals);
// v as "%.15g" in the C form: the text edit fields are filled with.
std::string FormatG15(double v);
// Message for a value outside lo..hi (both shown as "%.15g").
std::string RangeMessage(double lo, double hi);
