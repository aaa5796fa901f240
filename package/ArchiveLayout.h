// What an install needs to know of an archive before it rewrites it:
// whether it is in the canonical layout (so that it can be rebuilt from its
// new version and the few files the install replaced), and the CRC of it
// and of each of its files, taken in one read.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "archive/DRSArchive.h"
#include "archive/DRSWriter.h"
#include "common/Status.h"

namespace zorv {

// Whether writing the archive again from its own directory and files
// (SourceOfDRSArchive, WriteDRSArchive) gives its bytes exactly: the lists
// right after the table records in table order, each by ascending id, the
// data in list order without gaps or shared bytes, nothing after it.
bool IsCanonicalDRSLayout(const DRSArchive& archive);

// The CRC of each file of an archive, by type and id.
using DRSFileCRCs = std::map<std::pair<std::string, int32_t>, uint32_t>;

// Reads an archive in the canonical layout once, from start to end: the
// CRC of the whole and of every file.
Status SumCanonicalDRSArchive(const DRSArchive& archive, const std::string& path,
                              uint32_t& whole, DRSFileCRCs& files);

// The CRC of the archive WriteDRSArchive made from source, given the CRC
// of its directory bytes (the first DataStart bytes of what was written)
// and of every file it took from elsewhere (files held in memory are
// summed here). A file from elsewhere missing in files fails.
Status SumWrittenDRSArchive(const DRSArchiveSource& source, uint32_t directory_crc,
                            const DRSFileCRCs& files, uint32_t& whole);

}  // namespace zorv
