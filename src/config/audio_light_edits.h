#pragma once
// The device audio light settings ("AudioLightInfo") as the light editor
// changes them, without the controls, and the nine-byte audio colour record
// the device base keeps of them.
//
// The record's colour type flag says which colour the editor edits (1 the
// foreground, 0 the background). Swatches, the palette and the colour boxes
// change that colour; a foreground set from a swatch or a box clears the
// multi-colour flag (the user chose one colour), the palette keeps it.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/light_record.h"
#include <array>

namespace tessel {

// Audio styles of the keyboard's audio mode: 0..6.
inline constexpr int kAudioModeCount = 7;
// The select item of the keyboard's audio mode.
inline constexpr uint8_t kAudioLightMode = 29;

enum class AudioChannel { Red, Green, Blue };

// "light_combo_audiomodeSelect": the style, clamped to 0..6.
AudioLightRecord applyAudioStyle(AudioLightRecord record, int style);
// "deng_7audiocolor_check".
AudioLightRecord applyAudioMultiColour(AudioLightRecord record, bool on);
// "audio_FgColor_check" (true) / "audio_BkColor_check" (false).
AudioLightRecord applyAudioColourType(AudioLightRecord record, bool foreground);
// "audiocolor_option_N": the swatch colour (0xAARRGGBB) into the edited
// colour; on the foreground the multi-colour flag is cleared.
AudioLightRecord applyAudioSwatch(AudioLightRecord record, uint32_t argb);
// "deng_audioColor_Pallet": the picked colour into the edited colour; the
// multi-colour flag keeps its value.
AudioLightRecord applyAudioPicked(AudioLightRecord record, uint32_t argb);
// "deng_audioedit_R/G/B" as typed: above 255 counts 255, empty or no digits
// 0 (readColourBox). `shown` (when given) gets what the box shows then. On
// the foreground the multi-colour flag is cleared.
AudioLightRecord applyAudioBox(AudioLightRecord record, AudioChannel channel, std::string_view text,
                               std::string* shown = nullptr);
// "Close_bkColor_btn": the background becomes black.
AudioLightRecord clearAudioBackground(AudioLightRecord record);

// The edited colour (foreground when the colour type flag is set).
uint32_t editedAudioColour(const AudioLightRecord& record);  // 0xRRGGBB

// Bounds a record read from a document: style 0..6, flags 0 / 1.
AudioLightRecord boundAudioRecord(AudioLightRecord record);

// The device base's nine bytes: audio mode, background red, green, blue,
// foreground red, green, blue, multi-colour flag, colour type flag (the
// bytes of the base's AudioColourRecord).
using AudioColourBytes = std::array<uint8_t, 9>;
AudioColourBytes encodeAudioColour(const AudioLightRecord& record);
AudioLightRecord decodeAudioColour(const AudioColourBytes& bytes);

}  // namespace tessel
