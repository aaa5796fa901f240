// Where long operations tell how far they are: a caption ("Converting frame
// 3") and the fraction done. The progress window and the command line's
// progress bar listen; without a listener nothing is shown.
#pragma once

#include <functional>
#include <string>

namespace zorv {

using ProgressSink = std::function<void(const std::string& caption, double fraction)>;

}  // namespace zorv
