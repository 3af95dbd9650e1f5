#include "config/audio_light_edits.h"

#include <algorithm>

#include "config/light_editor_rules.h"

namespace tessel {

namespace {

uint8_t channel(uint32_t argb, int shift) { return static_cast<uint8_t>((argb >> shift) & 0xFF); }

void setEdited(AudioLightRecord& r, uint32_t argb) {
  if (r.colorTypeFlags) {
    r.fgColorR = channel(argb, 16);
    r.fgColorG = channel(argb, 8);
    r.fgColorB = channel(argb, 0);
  } else {
    r.bkColorR = channel(argb, 16);
    r.bkColorG = channel(argb, 8);
    r.bkColorB = channel(argb, 0);
  }
}

}  // namespace

AudioLightRecord applyAudioStyle(AudioLightRecord record, int style) {
  record.audioMode = static_cast<uint8_t>(std::clamp(style, 0, kAudioModeCount - 1));
  return record;
}

AudioLightRecord applyAudioMultiColour(AudioLightRecord record, bool on) {
  record.sevenColorFlags = on ? 1 : 0;
  return record;
}

AudioLightRecord applyAudioColourType(AudioLightRecord record, bool foreground) {
  record.colorTypeFlags = foreground ? 1 : 0;
  return record;
}

AudioLightRecord applyAudioSwatch(AudioLightRecord record, uint32_t argb) {
  setEdited(record, argb);
  if (record.colorTypeFlags) record.sevenColorFlags = 0;
  return record;
}

AudioLightRecord applyAudioPicked(AudioLightRecord record, uint32_t argb) {
  setEdited(record, argb);
  return record;
}

AudioLightRecord applyAudioBox(AudioLightRecord record, AudioChannel which, std::string_view text,
                               std::string* shown) {
  const ColourBoxValue v = readColourBox(text);
  if (shown) *shown = v.shown;
  const bool fg = record.colorTypeFlags != 0;
  uint8_t* target = nullptr;
  switch (which) {
    case AudioChannel::Red: target = fg ? &record.fgColorR : &record.bkColorR; break;
    case AudioChannel::Green: target = fg ? &record.fgColorG : &record.bkColorG; break;
    case AudioChannel::Blue: target = fg ? &record.fgColorB : &record.bkColorB; break;
  }
  *target = v.value;
  if (fg) record.sevenColorFlags = 0;
  return record;
}

AudioLightRecord clearAudioBackground(AudioLightRecord record) {
  record.bkColorR = record.bkColorG = record.bkColorB = 0;
  return record;
}

uint32_t editedAudioColour(const AudioLightRecord& r) {
  if (r.colorTypeFlags) return uint32_t(r.fgColorR) << 16 | uint32_t(r.fgColorG) << 8 | r.fgColorB;
  return uint32_t(r.bkColorR) << 16 | uint32_t(r.bkColorG) << 8 | r.bkColorB;
}

AudioLightRecord boundAudioRecord(AudioLightRecord r) {
  if (r.audioMode >= kAudioModeCount) r.audioMode = 0;
  r.sevenColorFlags = r.sevenColorFlags ? 1 : 0;
  r.colorTypeFlags = r.colorTypeFlags ? 1 : 0;
  return r;
}

AudioColourBytes encodeAudioColour(const AudioLightRecord& r) {
  return AudioColourBytes{{r.audioMode, r.bkColorR, r.bkColorG, r.bkColorB, r.fgColorR, r.fgColorG, r.fgColorB,
                           r.sevenColorFlags, r.colorTypeFlags}};
}

AudioLightRecord decodeAudioColour(const AudioColourBytes& b) {
  return AudioLightRecord{b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8]};
}

}  // namespace tessel
