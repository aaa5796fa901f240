#include "common/Functions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace zorv {

bool IsFolderSeparator(char c) { return c == '\\' || c == '/'; }

namespace {

std::string_view::size_type LastSeparator(std::string_view path) {
  return path.find_last_of("\\/");
}

int32_t ClampToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest leading decimal number of text (from position 0),
// 0 when there is none.
size_t ScanNumber(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) { ++i; ++digits; }
  size_t end_whole = i;
  if (i < text.size() && text[i] == '.') {
    size_t j = i + 1;
    size_t fraction_digits = 0;
    while (j < text.size() && IsDigit(text[j])) { ++j; ++fraction_digits; }
    if (digits + fraction_digits > 0) return j;
  }
  return digits > 0 ? end_whole : 0;
}

double ParseScanned(std::string_view number) {
  // from_chars ignores the locale, so "." stays the decimal point even when
  // the windowing library has switched the C locale.
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves the value alone when it does not fit a double: a
    // whole part of hundreds of digits is beyond every limit, not 0; only a
    // fraction too small to hold is 0.
    const bool negative = !number.empty() && number.front() == '-';
    const std::string_view whole = number.substr(0, number.find('.'));
    const bool huge = whole.find_first_of("123456789") != std::string_view::npos;
    value = huge ? std::numeric_limits<double>::infinity() : 0.0;
    if (negative) value = -value;
  }
  return value;
}

}  // namespace

std::string GetFolder(std::string_view path) {
  auto sep = LastSeparator(path);
  if (sep == std::string_view::npos) return {};
  return std::string(path.substr(0, sep + 1));
}

std::string GetFileTitle(std::string_view path) {
  auto sep = LastSeparator(path);
  auto dot = path.rfind('.');
  if (sep == std::string_view::npos && dot == std::string_view::npos)
    return std::string(path);
  size_t start = sep == std::string_view::npos ? 0 : sep + 1;
  if (dot == std::string_view::npos || dot < start)
    return std::string(path.substr(start));
  return std::string(path.substr(start, dot - start));
}

std::string GetExtension(std::string_view path) {
  auto dot = path.rfind('.');
  if (dot == std::string_view::npos) return std::string(path);
  return std::string(path.substr(dot + 1));
}

std::string GetFileName(std::string_view path) {
  auto sep = LastSeparator(path);
  if (sep == std::string_view::npos) return std::string(path);
  return std::string(path.substr(sep + 1));
}

int16_t MaxInt(int16_t a, int16_t b) { return a > b ? a : b; }
int16_t MinInt(int16_t a, int16_t b) { return a < b ? a : b; }

double LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::string_view rest = text.substr(i);
  size_t length = ScanNumber(rest);
  if (length == 0) return 0.0;
  return ParseScanned(rest.substr(0, length));
}

int32_t LeadingNumberFloor(std::string_view text) {
  return ClampToInt32(std::floor(LeadingNumber(text)));
}

double RoundHalfEven(double value) {
  // nearbyint rounds halves to even in the default rounding mode.
  return std::nearbyint(value);
}

int32_t LeadingNumberRounded(std::string_view text) {
  return ClampToInt32(RoundHalfEven(LeadingNumber(text)));
}

std::optional<int32_t> ParseNumberLine(std::string_view text, int64_t minimum,
                                       int64_t maximum) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  std::string_view body = text.substr(begin, end - begin);
  if (body.empty() || body.size() > 64) return std::nullopt;
  size_t length = ScanNumber(body);
  if (length == 0 || length != body.size()) return std::nullopt;
  double value = RoundHalfEven(ParseScanned(body));
  if (!(value >= static_cast<double>(minimum) &&
        value <= static_cast<double>(maximum)))
    return std::nullopt;
  return static_cast<int32_t>(value);
}

std::string NumberText(int64_t value) { return std::to_string(value); }

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace zorv
