// Text files keep the line ends they have. An editor shows a file as lines;
// when the lines come back edited, every line end the user did not touch is
// written back as it was (CR LF, LF or CR), and bytes stay bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorv {

// A file split at its line ends: pieces.size() == ends.size() + 1. A file
// that ends with a line end has an empty last piece.
struct LineSplit {
  std::vector<std::string> pieces;
  std::vector<std::string> ends;  // "\r\n", "\n" or "\r"
};

LineSplit SplitAtLineEnds(std::string_view bytes);

// The bytes of edited pieces, joined with the original's line ends: lines
// the user left alone at the start and at the end keep theirs, the edited
// stretch between them takes the original stretch's ends in order, and a
// line end the original has no counterpart for is its most common one
// (CR LF for a file without any).
std::string JoinWithLineEnds(const LineSplit& original, const std::vector<std::string>& edited);

}  // namespace zorv
