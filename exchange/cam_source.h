// Any camera file as a source: the recorder's speed.raw, a camera workbook, a partner text
// file or a camera CSV file, recognised by its content whatever its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/cam_record.h"

namespace exchange {

// Whether the bytes are laid out as a camera file: a header of version, month and day, then
// 13-byte records whose coordinates lie on the globe.
bool LooksLikeSpeedRaw(const uint8_t* data, size_t size);

// Reads the file's cameras with their values, their flags by the wizard's rules and their
// origins: a workbook tests types against its own list, CSV files and camera files let every
// type pass, partner files are read as the wizard reads them. False, with the reason in
// *error (UTF-8, without the file's name), when the file cannot be read or is none of the
// four kinds.
bool ReadCamSource(const std::wstring& path, CamCollection* out, std::string* error);

// The camera file's records decoded from its bytes, origins counted from 1.
bool DecodeSpeedRaw(const uint8_t* data, size_t size, CamCollection* out);

}  // namespace exchange
