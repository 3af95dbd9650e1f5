#pragma once
// The 64-byte vendor command report, shared by requests and replies:
//   byte 0      report id, always 4
//   bytes 1, 2  checksum (sum of bytes 3..63, 16 bits, low byte first)
//   byte 3      command code; the reply echoes it (a receiver whose wireless
//               device sleeps answers 0xAA instead)
//   byte 4      data length of this chunk (0..56)
//   bytes 5, 6  offset in the addressed memory, low byte first
//   byte 7      0 in a request; the status in a reply (0xFF and 0xFE are failures)
//   bytes 8..63 data
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tessel::transport {

inline constexpr size_t kReportSize = 64;
inline constexpr uint8_t kReportId = 4;
inline constexpr size_t kDataOffset = 8;
inline constexpr size_t kMaxChunkData = kReportSize - kDataOffset;  // 56

inline constexpr size_t kByteReportId = 0;
inline constexpr size_t kByteChecksumLow = 1;
inline constexpr size_t kByteChecksumHigh = 2;
inline constexpr size_t kByteCommand = 3;
inline constexpr size_t kByteLength = 4;
inline constexpr size_t kByteOffsetLow = 5;
inline constexpr size_t kByteOffsetHigh = 6;
inline constexpr size_t kByteStatus = 7;

inline constexpr uint8_t kStatusFF = 0xFF;
inline constexpr uint8_t kStatusFE = 0xFE;
// Byte 3 of a receiver's reply while its wireless device cannot be reached.
inline constexpr uint8_t kUnreachableEcho = 0xAA;

using CommandReport = std::array<uint8_t, kReportSize>;

// Sum of bytes 3..63 as unsigned bytes, kept to 16 bits.
uint16_t reportChecksum(std::span<const uint8_t, kReportSize> report);

// Stores the checksum in bytes 1 and 2; call it after every other byte is final.
void sealReport(CommandReport& report);

// A complete request: report id 4, the command, the chunk length, the offset,
// up to 56 data bytes (longer data is cut), checksum last.
CommandReport buildRequest(uint8_t command, uint8_t length, uint16_t offset,
                           std::span<const uint8_t> data = {});

inline uint16_t reportOffset(std::span<const uint8_t, kReportSize> report) {
  return static_cast<uint16_t>(report[kByteOffsetLow] | (report[kByteOffsetHigh] << 8));
}

// One trace line: 32 bytes as "%02x" in groups of four, three spaces after
// each of the first three groups and two after the following ones.
std::string traceLine(std::span<const uint8_t, 32> bytes);

// The two trace lines of a 64-byte report (bytes 0..31, then 32..63).
std::array<std::string, 2> traceLines(std::span<const uint8_t, kReportSize> report);

}  // namespace tessel::transport
