// Colours given on the command line as "R,G,B".
#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "codec/ColourValue.h"

namespace zorv::cli {

// "R,G,B" with three whole numbers 0..255; blanks around a number allowed.
std::optional<ColourValue> ParseRGB(const std::string& text);

// Accepts exactly the texts ParseRGB reads.
CLI::Validator ColourValidator();

}  // namespace zorv::cli
