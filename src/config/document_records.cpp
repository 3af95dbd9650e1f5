#include "config/document_records.h"

namespace tessel {

FunctionCode decodeFunctionCode(int64_t value) {
  const auto v = static_cast<uint64_t>(value);
  return FunctionCode{static_cast<uint8_t>((v >> 16) & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF),
                      static_cast<uint8_t>(v & 0xFF)};
}

int32_t encodeFunctionCode(const FunctionCode& code) {
  return static_cast<int32_t>(code.type) * 65536 + static_cast<int32_t>(code.param1) * 256 + code.param2;
}

namespace {
uint32_t word(uint16_t low, uint16_t high) { return static_cast<uint32_t>(high) << 16 | low; }
uint16_t lowHalf(uint32_t w) { return static_cast<uint16_t>(w & 0xFFFF); }
uint16_t highHalf(uint32_t w) { return static_cast<uint16_t>(w >> 16); }
}  // namespace

SystemWords packMouseSystemWords(const MouseSystemStages& s) {
  return {word(s.doubleClickTime, s.mouseSpeed), word(s.pointerPrecision, s.scrollPage),
          word(s.wheelScrollLines, s.reportRate)};
}

MouseSystemStages unpackMouseSystemWords(const SystemWords& w) {
  MouseSystemStages s;
  s.doubleClickTime = lowHalf(w[0]);
  s.mouseSpeed = highHalf(w[0]);
  s.pointerPrecision = lowHalf(w[1]);
  s.scrollPage = highHalf(w[1]);
  s.wheelScrollLines = lowHalf(w[2]);
  s.reportRate = highHalf(w[2]);
  return s;
}

SystemWords packKeyboardSystemWords(const KeyboardSystemStages& s) {
  return {word(s.repeat, s.repeatDelay), word(s.key6Flag, s.pollingRate), word(s.wFlag, s.winFlag)};
}

KeyboardSystemStages unpackKeyboardSystemWords(const SystemWords& w) {
  KeyboardSystemStages s;
  s.repeat = lowHalf(w[0]);
  s.repeatDelay = highHalf(w[0]);
  s.key6Flag = lowHalf(w[1]);
  s.pollingRate = highHalf(w[1]);
  s.wFlag = lowHalf(w[2]);
  s.winFlag = highHalf(w[2]);
  return s;
}

}  // namespace tessel
