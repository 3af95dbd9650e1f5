#pragma once
// User light sequences: a ".light" file named by the sequence's "Guid", kept
// in the device data folder, holding "LEDEffectList", the steps in order.
#include <filesystem>
#include <string_view>

#include "core/light_record.h"

namespace tessel {

// A "Guid" is only a file name: one holding '/', '\\', "..", or a NUL (or an
// empty one) could reach outside the device data folder and is refused.
bool isSafeSequenceGuid(std::string_view guid);

// Steps of a sequence file's text; empty when it does not parse or holds no
// "LEDEffectList" array.
LightSequence parseLightSequence(std::string_view text);

// Steps of the sequence <folder>/<guid>.light. A refused guid, a missing,
// empty or unparsable file gives an empty sequence.
LightSequence loadLightSequence(const std::filesystem::path& folder, std::string_view guid);

// Writes the sequence to <folder>/<guid>.light (atomically); false for a
// refused guid or a failed write.
bool saveLightSequence(const std::filesystem::path& folder, std::string_view guid,
                       const LightSequence& steps);

}  // namespace tessel
