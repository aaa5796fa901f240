#include "package/UnpackNames.h"

#include "common/Functions.h"
#include "project/ModProject.h"

namespace zorv {
namespace {

// The extension of a kind 5 file by its target; empty for a target whose
// files have none of their own.
std::string FileTargetExtension(int32_t target) {
  switch (target) {
    case kTargetReadme:
      return "txt";
    case kTargetLanguage:
    case 8:  // language_x1
      return "dll";
    case 9:  // genie
    case kTargetGenieX1:
      return "dat";
    case 11:  // skirmland
    case kTargetSkirmlandX1:
      return "exe";
    default:
      return {};
  }
}

}  // namespace

std::string UnpackedExtension(const MPIEntry& entry) {
  switch (entry.Kind) {
    case KindSLP:
    case KindSLX:
      return "slp";
    case KindWAV:
      return "wav";
    case KindBMP:
      return "bmp";
    case KindFile: {
      std::string extension = FileTargetExtension(entry.ReplaceTarget);
      return extension.empty() ? "bin" : extension;
    }
    default:
      return "bin";
  }
}

std::string UnpackedTitle(const MPIEntry& entry) {
  if (entry.Kind == KindFile && !FileTargetExtension(entry.ReplaceTarget).empty())
    return ReplaceTargetName(entry.ReplaceTarget);
  return NumberText(entry.ResourceID);
}

void UnpackedNames::Reserve(const std::string& name) { taken_.insert(AsciiLower(name)); }

std::string UnpackedNames::Take(const std::string& title, const std::string& extension,
                                std::string* chosen_title) {
  std::string candidate = title;
  for (int64_t k = 2; taken_.count(AsciiLower(candidate + "." + extension)) != 0; ++k)
    candidate = title + "-" + NumberText(k);
  std::string name = candidate + "." + extension;
  taken_.insert(AsciiLower(name));
  if (chosen_title) *chosen_title = candidate;
  return name;
}

}  // namespace zorv
