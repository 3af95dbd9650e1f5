// "AudioFile.json" as found on disk: whatever parses gives a selected style
// inside the four, and the record stored back into a document reads back the
// same; the colour block never names anything but the selected colour.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/json_file.h"
#include "services/audio_styles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Json::Value root;
  if (!tessel::parseJson(text, root)) return 0;
  // Storing into whatever shape "Device" has must not throw.
  Json::Value device = root.isObject() ? root["Device"] : root;
  const tessel::AudioStyleRecord record = tessel::decodeAudioLightInfo(device);
  if (record.selected >= tessel::kAudioStyleCount) std::abort();
  tessel::encodeAudioLightInfo(record, device);
  if (!(tessel::decodeAudioLightInfo(device) == record)) std::abort();
  const auto block = tessel::encodeStyleColourBlock(record);
  for (size_t i = 12; i < block.size(); ++i)
    if (block[i] != 0) std::abort();
  if (block[4] == 0 && block[5] == 0) std::abort();
  if (auto parsed = tessel::parseAudioStyleText(text); parsed && !(*parsed == record)) std::abort();
  return 0;
}
