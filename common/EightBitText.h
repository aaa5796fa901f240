// Texts the program stores (titles, names, readme text) are 8-bit: each
// byte is one character, the byte's number in Latin-1. File names come from
// the file system, which on this platform spells them in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zorv {

// A file name (or part of one) as 8-bit text: UTF-8 whose characters all
// lie in Latin-1 becomes one byte per character; anything else (names that
// are not UTF-8, or hold characters beyond Latin-1) stays as its bytes.
std::string FileNameAsText(std::string_view name);

}  // namespace zorv
