// The records of an enhanced metafile played into a MetafileDevice. Reading
// stops at the end record or at the first record whose size runs past the
// data or is not a multiple of four; a record too short for what it claims
// (counts, offsets) is skipped. Records we do not draw are skipped by size.
#pragma once

#include "MetafileDevice.h"

#include <span>

namespace pelmora {

// `file` is the whole metafile; records start at `first` (after the header record).
RecordsPlayed PlayEmfRecords(std::span<const uint8_t> file, size_t first, MetafileDevice& device);

} // namespace pelmora
