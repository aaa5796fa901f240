// A fuzzed game archive through ParseDRSArchive; an archive it accepts is
// then read from a file (ReadDRSArchive and ReadDRSFile of every file) and
// written again from its own files, and both must agree with the input.
#include <cstdint>
#include <string>

#include "archive/DRSArchive.h"
#include "archive/DRSWriter.h"
#include "fuzz/FuzzSupport.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("drs_archive");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(zorv::fuzz::AsBytes(data, size));
  const auto input_size = static_cast<int64_t>(input.size());
  zorv::DRSArchive parsed;
  const bool accepted = zorv::ParseDRSArchive(input, input_size, parsed).ok();
  // The same bytes as a file: the same verdict and the same directory.
  folder->Write("input.drs", input);
  const std::string path = folder->File("input.drs");
  zorv::DRSArchive read;
  Check(zorv::ReadDRSArchive(path, read).ok() == accepted);
  if (accepted) {
    Check(read.Tables.size() == parsed.Tables.size());
    zorv::DRSArchiveSource source;
    source.Header = parsed.Header;
    for (size_t t = 0; t < parsed.Tables.size(); ++t) {
      const zorv::DRSTable& table = parsed.Tables[t];
      Check(read.Tables[t].Files.size() == table.Files.size());
      zorv::DRSTableSource copy{table.Type, {}};
      for (const zorv::DRSFile& file : table.Files) {
        // A checked directory lists only data inside the archive.
        Check(file.Offset >= 0 && file.Size >= 0 && file.Offset + file.Size <= input_size);
        std::string bytes;
        Check(zorv::ReadDRSFile(path, file, bytes).ok());
        Check(bytes == input.substr(static_cast<size_t>(file.Offset),
                                    static_cast<size_t>(file.Size)));
        copy.Files.push_back(zorv::DRSFileSource::FromBytes(file.ID, std::move(bytes)));
      }
      source.Tables.push_back(std::move(copy));
    }
    // Written again in the canonical layout, it reads back to the same files.
    std::string rewritten;
    if (zorv::DRSArchiveBytes(source, rewritten).ok()) {
      zorv::DRSArchive again;
      Check(zorv::ParseDRSArchive(rewritten, static_cast<int64_t>(rewritten.size()), again).ok());
      Check(again.Tables.size() == parsed.Tables.size());
      for (size_t t = 0; t < again.Tables.size(); ++t) {
        Check(again.Tables[t].Type == parsed.Tables[t].Type);
        for (const zorv::DRSFile& file : again.Tables[t].Files) {
          const zorv::DRSFile* original = zorv::FindDRSFile(parsed, again.Tables[t].Type, file.ID);
          Check(original != nullptr && original->Size == file.Size);
          Check(rewritten.compare(static_cast<size_t>(file.Offset), static_cast<size_t>(file.Size),
                                  input, static_cast<size_t>(original->Offset),
                                  static_cast<size_t>(original->Size)) == 0);
        }
      }
    }
  }
  folder->Clear();
  return 0;
}
