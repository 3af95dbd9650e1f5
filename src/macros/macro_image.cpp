#include "macros/macro_image.h"

#include <algorithm>

#include "config/function_codes.h"

namespace tessel::macros {
namespace {

void putU16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v & 0xFF);
  out[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

}  // namespace

std::array<uint8_t, 4> encodeEvent(const MacroEvent& e) {
  return {static_cast<uint8_t>(e.delay & 0xFF), static_cast<uint8_t>(e.delay >> 8), actionByte(e), e.button};
}

uint64_t macroImageLength(std::span<const size_t> eventCounts) {
  uint64_t total = kImageHeaderSize;
  for (size_t count : eventCounts) total += 2 + kBlockHeaderSize + kEncodedEventSize * uint64_t{count};
  return total;
}

MacroImage buildMacroImage(std::span<const std::vector<MacroEvent>> macros, uint8_t capacityByte) {
  return buildMacroImageWithin(macros, macroCapacity(capacityByte));
}

MacroImage buildMacroImageWithin(std::span<const std::vector<MacroEvent>> macros, uint64_t capacity) {
  MacroImage image;
  if (macros.empty()) return image;
  std::vector<size_t> counts;
  counts.reserve(macros.size());
  for (const auto& m : macros) counts.push_back(m.size());
  image.length = macroImageLength(counts);
  // The 16-bit length and offsets cannot describe a longer image, whatever the
  // device's memory; the count check covers an absurd list of empty macros.
  const uint64_t limit = std::min<uint64_t>(capacity, kMaxImageLength);
  if (image.length > limit || macros.size() > 0xFFFF) {
    image.status = MacroImage::Status::TooLarge;
    const uint64_t over = image.length > capacity ? image.length - capacity : image.length - limit;
    image.exceedUnits = static_cast<uint32_t>(std::min<uint64_t>(over / 4 + 1, UINT32_MAX));
    return image;
  }
  auto& out = image.bytes;
  out.assign(static_cast<size_t>(image.length), 0);
  putU16(out, 0, kImageMagic);
  putU16(out, 2, static_cast<uint32_t>(image.length));
  putU16(out, 4, static_cast<uint32_t>(macros.size()));
  size_t block = kImageHeaderSize + 2 * macros.size();
  for (size_t i = 0; i < macros.size(); ++i) {
    putU16(out, kImageHeaderSize + 2 * i, static_cast<uint32_t>(block));
    putU16(out, block, static_cast<uint32_t>(macros[i].size()));
    size_t at = block + kBlockHeaderSize;
    for (const auto& e : macros[i]) {
      const auto bytes = encodeEvent(e);
      std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
      at += kEncodedEventSize;
    }
    block = at;
  }
  image.status = MacroImage::Status::Ok;
  return image;
}

bool isMacroBinding(const FunctionCode& code) {
  return code.type == function_type::kMacro || code.type == function_type::kMacroRepeat;
}

std::vector<uint8_t> listBoundMacros(std::span<const KeyPosition> positions, size_t libraryCount) {
  std::vector<uint8_t> list;
  for (const auto& p : positions) {
    if (p.mapEntry == kNoDeviceKey || !isMacroBinding(p.assignment)) continue;
    const uint8_t macro = p.assignment.param1;
    if (macro >= libraryCount) continue;
    if (std::find(list.begin(), list.end(), macro) == list.end()) list.push_back(macro);
  }
  return list;
}

std::vector<FunctionCode> deviceAssignments(std::span<const KeyPosition> positions, size_t libraryCount) {
  const std::vector<uint8_t> list = listBoundMacros(positions, libraryCount);
  std::vector<FunctionCode> out;
  out.reserve(positions.size());
  for (const auto& p : positions) {
    FunctionCode code = p.assignment;
    if (isMacroBinding(code)) {
      const auto slot = std::find(list.begin(), list.end(), code.param1);
      if (code.param1 < libraryCount && slot != list.end())
        code.param1 = static_cast<uint8_t>(slot - list.begin());
      else if (code.param1 >= libraryCount)
        code = p.defaultAssignment;
      // A binding on a position without a device key is never listed; it is
      // sent as it is, like every other code of such a position.
    }
    out.push_back(code);
  }
  return out;
}

}  // namespace tessel::macros
