#include "common/LineEnds.h"

#include <algorithm>
#include <map>

namespace zorv {

LineSplit SplitAtLineEnds(std::string_view bytes) {
  LineSplit split;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    const size_t end_length = (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
    split.pieces.emplace_back(bytes.substr(start, i - start));
    split.ends.emplace_back(bytes.substr(i, end_length));
    i += end_length - 1;
    start = i + 1;
  }
  split.pieces.emplace_back(bytes.substr(start));
  return split;
}

namespace {

std::string MostCommonEnd(const std::vector<std::string>& ends) {
  std::map<std::string, size_t> counts;
  for (const std::string& end : ends) ++counts[end];
  std::string best = "\r\n";
  size_t best_count = 0;
  // Ties go to CR LF, the program's own line end, then to LF.
  for (const char* end : {"\r\n", "\n", "\r"}) {
    const auto found = counts.find(end);
    if (found != counts.end() && found->second > best_count) {
      best = end;
      best_count = found->second;
    }
  }
  return best;
}

}  // namespace

std::string JoinWithLineEnds(const LineSplit& original, const std::vector<std::string>& edited) {
  const std::vector<std::string>& before = original.pieces;
  const size_t n = before.size(), m = edited.size();
  // Pieces left alone at the start and, not overlapping them, at the end.
  size_t same_start = 0;
  while (same_start < n && same_start < m && before[same_start] == edited[same_start])
    ++same_start;
  size_t same_end = 0;
  while (same_end < n - same_start && same_end < m - same_start &&
         before[n - 1 - same_end] == edited[m - 1 - same_end])
    ++same_end;

  // The line ends between two kept pieces at the start are ends[0 ..
  // same_start - 2]; those between kept pieces at the end are the last
  // same_end - 1. The rest border the edited stretch.
  const size_t kept_start_ends = same_start > 0 ? same_start - 1 : 0;
  const size_t kept_end_ends = same_end > 0 ? same_end - 1 : 0;
  const size_t total_ends = original.ends.size();
  const size_t stretch_first = std::min(kept_start_ends, total_ends);
  const size_t stretch_last = total_ends - std::min(kept_end_ends, total_ends - stretch_first);
  const std::string fallback = MostCommonEnd(original.ends);

  std::string joined;
  size_t next_stretch_end = stretch_first;
  for (size_t j = 0; j < m; ++j) {
    joined += edited[j];
    if (j + 1 == m) break;
    if (j + 1 < same_start) {
      joined += original.ends[j];
    } else if (j >= m - same_end) {
      // Between two kept pieces at the end: the matching original end.
      joined += original.ends[total_ends - (m - 1 - j)];
    } else if (next_stretch_end < stretch_last) {
      joined += original.ends[next_stretch_end++];
    } else {
      joined += fallback;
    }
  }
  return joined;
}

}  // namespace zorv
