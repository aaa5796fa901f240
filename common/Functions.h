// Path helpers, 16-bit min/max and the rules for reading numbers out of text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorv {

// Both "\" and "/" separate folders, so paths written on Windows and here
// both work.
bool IsFolderSeparator(char c);

// The path up to and including its last separator; empty when it has none.
std::string GetFolder(std::string_view path);

// The text between the last separator and the last "."; the name after the
// last separator when the last "." lies before it; the path unchanged when it
// holds neither separator nor ".".
std::string GetFileTitle(std::string_view path);

// The text after the last "."; the whole path when it holds none.
std::string GetExtension(std::string_view path);

// The name after the last separator (the whole path when it has none).
std::string GetFileName(std::string_view path);

int16_t MaxInt(int16_t a, int16_t b);
int16_t MinInt(int16_t a, int16_t b);

// Leading-number rule: skip leading blanks, then take the longest leading
// part that forms a decimal number (optional sign, digits, optional fraction).
// A text that starts with no number reads as 0.
double LeadingNumber(std::string_view text);

// Whole-number text boxes: the floor of the leading number, clamped to the
// 32-bit range (12.7 gives 12, -3.5 gives -4).
int32_t LeadingNumberFloor(std::string_view text);

// Numbers read from file names: the leading number rounded to the nearest
// whole number, halves to even, clamped to the 32-bit range.
int32_t LeadingNumberRounded(std::string_view text);

// Rounds to the nearest whole number with halves to even.
double RoundHalfEven(double value);

// Whole-number lines of the program's text files: blanks around the number
// are allowed, a fraction is rounded half to even; anything else (no digits,
// trailing text, a value outside [minimum, maximum]) gives nothing.
std::optional<int32_t> ParseNumberLine(std::string_view text,
                                       int64_t minimum = INT32_MIN,
                                       int64_t maximum = INT32_MAX);

// Plain decimal text of a number: no blank, "-" for negative values.
std::string NumberText(int64_t value);

// Lower case of the ASCII letters only; other bytes of the 8-bit code page
// pass unchanged.
std::string AsciiLower(std::string_view text);

}  // namespace zorv
