#pragma once
// The page names its settings as `tesselctl` knows them: each caption whose
// text is a setting row's label ("Polling rate") gets the row's keys as its
// tooltip ("tesselctl get|set mouse polling"), so a person who scripts finds
// the key by pointing at the control. Captions that carry a tooltip of their
// own keep it.
#include "devices/device_kind.h"

namespace tessel::ui {

class CControlUI;

// Marks every caption under `root` (the page and what it holds).
void ShowSettingKeys(CControlUI& root, const KindDescription& kind);

}  // namespace tessel::ui
