#include "device/transport/command_report.h"

#include <algorithm>

namespace tessel::transport {

uint16_t reportChecksum(std::span<const uint8_t, kReportSize> report) {
  uint32_t sum = 0;
  for (size_t i = kByteCommand; i < kReportSize; ++i) sum += report[i];
  return static_cast<uint16_t>(sum & 0xFFFF);
}

void sealReport(CommandReport& report) {
  const uint16_t sum = reportChecksum(report);
  report[kByteChecksumLow] = static_cast<uint8_t>(sum & 0xFF);
  report[kByteChecksumHigh] = static_cast<uint8_t>(sum >> 8);
}

CommandReport buildRequest(uint8_t command, uint8_t length, uint16_t offset,
                           std::span<const uint8_t> data) {
  CommandReport r{};
  r[kByteReportId] = kReportId;
  r[kByteCommand] = command;
  r[kByteLength] = length;
  r[kByteOffsetLow] = static_cast<uint8_t>(offset & 0xFF);
  r[kByteOffsetHigh] = static_cast<uint8_t>(offset >> 8);
  r[kByteStatus] = 0;
  const size_t n = std::min(data.size(), kMaxChunkData);
  std::copy_n(data.begin(), n, r.begin() + kDataOffset);
  sealReport(r);
  return r;
}

std::string traceLine(std::span<const uint8_t, 32> bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string line;
  line.reserve(32 * 3 + 8);
  for (size_t i = 0; i < 32; ++i) {
    line.push_back(kHex[bytes[i] >> 4]);
    line.push_back(kHex[bytes[i] & 0x0F]);
    if (i == 31) break;
    if (i % 4 == 3) {
      line.append(i < 12 ? "   " : "  ");
    } else {
      line.push_back(' ');
    }
  }
  return line;
}

std::array<std::string, 2> traceLines(std::span<const uint8_t, kReportSize> report) {
  return {traceLine(report.first<32>()), traceLine(report.subspan<32, 32>())};
}

}  // namespace tessel::transport
