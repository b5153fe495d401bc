// The records of a Windows metafile (after its 18-byte header) played into a
// MetafileDevice. Reading stops at the end record or at the first record
// whose size runs past the data; a record too short for its own parameters is
// skipped. Records we do not draw are skipped by their size.
#pragma once

#include "MetafileDevice.h"

#include <span>

namespace pelmora {

// `records` starts at the first record.
RecordsPlayed PlayWmfRecords(std::span<const uint8_t> records, MetafileDevice& device);

} // namespace pelmora
