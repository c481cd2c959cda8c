// CRC-32 as used by the port probe to compare two reads of the device
// information (ISO-HDLC: reflected polynomial 0xEDB88320, preset all ones,
// result inverted).
#ifndef CRC32_H
#define CRC32_H

#include <cstddef>
#include <cstdint>

namespace findport {

uint32_t Crc32(const uint8_t* data, size_t length);

} // namespace findport

#endif
