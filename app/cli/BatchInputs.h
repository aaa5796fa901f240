// The files a batch command works on: the files and folders named on the
// command line, folders walked for the files of the command's input kind,
// and the path each file's output goes to.
#pragma once

#include <string>
#include <vector>

namespace zorv::cli {

// What a batch command reads. Files inside folders are recognised by their
// first bytes, whatever their extension.
enum class InputKind {
  kSLP,  // a version like "2.0N" and a frame count that fits the file
  kSLX,  // first line "SLX 0.5"
  kBMP,  // starts with "BM"
};

// Whether the file at path holds the kind, judged from its first bytes.
bool LooksLike(InputKind kind, const std::string& path);

struct BatchInput {
  std::string path;      // as found: the argument, or the folder argument joined with relative
  std::string relative;  // path below the folder it was found in ("units/archer.slp")
};

struct FoundInputs {
  std::vector<BatchInput> inputs;  // in a fixed order: arguments in turn, folders sorted
  std::vector<std::string> skipped;  // files in folders with the kind's extension but not its content
  std::vector<std::string> errors;   // arguments that name nothing, folders that cannot be read
};

// Files named on the command line are taken as they are (the conversion
// judges them); folders are walked recursively for files of the kind. For
// SLP, an argument may also name a sprite in a game archive
// ("graphics.drs:1234"); its relative path is then "1234.slp". Folders are
// listed on up to threads threads at once.
FoundInputs FindInputs(const std::vector<std::string>& arguments, InputKind kind,
                       int threads = 1);

// How an input's path below its folder becomes its output's path below the
// output folder.
enum class OutputShape {
  kFolderPerGraphic,  // units/archer.slp -> units/archer/archer.slx
  kSameNameSLP,       // units/archer.slx -> units/archer.slp
  kSameNameIcon,      // icons/sword.bmp  -> icons/sword.dat
  kSameNameSLX,       // units/archer.slx -> units/archer.slx (a copy, or the input itself)
};

// The output path of input: under out_folder when it is not empty, else
// beside the input.
std::string OutputPath(const BatchInput& input, const std::string& out_folder, OutputShape shape);

}  // namespace zorv::cli
