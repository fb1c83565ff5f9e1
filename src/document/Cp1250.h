#pragma once

// Windows-1250, the code page of the strings in .tav files. Text is UTF-8 in memory.
// The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1
// controls of the same value, so any byte string survives Cp1250ToUtf8 and Utf8ToCp1250 unchanged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Converts UTF-8 to Windows-1250; characters the code page lacks and invalid UTF-8 bytes become
// '?' and set *lossy to true (it is left untouched otherwise). Never throws except bad_alloc.
std::string Utf8ToCp1250(std::string_view utf8, bool* lossy = nullptr);

// Converts Windows-1250 bytes to UTF-8; every byte has a mapping, so this never loses data.
std::string Cp1250ToUtf8(std::string_view bytes);

// Number of characters in UTF-8 text, equal to the length of its Windows-1250 form; an invalid
// byte counts as one character.
size_t Utf8CharCount(std::string_view utf8);

// Unicode code point of a Windows-1250 byte.
char32_t Cp1250ToUnicode(uint8_t byte);

// Windows-1250 byte of a code point; returns false when the code page has no such character.
bool UnicodeToCp1250(char32_t cp, uint8_t* byte);
