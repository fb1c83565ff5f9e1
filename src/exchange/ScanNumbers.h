#pragma once

#include <cstddef>
#include <string_view>

// Number scanning for the readers: what sscanf's "%lf" and "%d" accept (leading white space, a
// sign, '+' included; for doubles also exponents, hexadecimal, inf and nan), without the C
// locale's cost or its dependence on the user's locale. On success the text is advanced past
// the number; on failure it is left as it was.

// Reads a double as "%lf" would; out of range gives +-inf or 0 as strtod does.
bool ScanDouble(std::string_view& text, double& out);
// Reads an int as "%d" would; a value outside int fails.
bool ScanInt(std::string_view& text, int& out);
// Reads up to count doubles in a row as "%lf %lf ..." would; returns how many were read (the
// value sscanf returns, except that an empty or blank text gives 0, not EOF).
int ScanDoubles(std::string_view text, double* out, int count);
// The common form of a number, decimal digits with at most one point and no sign, converted
// exactly as from_chars would: returns the characters used, or 0 when the text does not start
// with that form, is followed by an exponent, or needs the general conversion (more than 19
// digits, a mantissa above 2^53, more than 22 decimals).
size_t ScanPlainDecimal(const char* p, const char* end, double& out);
// A sign and sixteen digits and nothing else, as instruments write the data of a word: true
// and the value ScanDouble gives; false for any other text or a value above 2^53 (ScanDouble
// then reads it the general way).
bool ScanSignedSixteenDigits(std::string_view text, double& out);
// The same for a sign and eight digits (the data of a GSI-8 word).
bool ScanSignedEightDigits(std::string_view text, double& out);
// True when the text holds nothing but white space.
bool IsBlank(std::string_view text);
