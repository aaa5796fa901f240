// Hot spots given on the command line as "X,Y".
#pragma once

#include <cstdint>
#include <string>

#include <CLI/CLI.hpp>

namespace zorv::cli {

// "X,Y" into the two coordinates, each a whole number within the hot spot
// limit; false for any other text.
bool ParseHotSpot(const std::string& text, int32_t& x, int32_t& y);

// Accepts exactly the texts ParseHotSpot reads.
CLI::Validator HotSpotText();

}  // namespace zorv::cli
