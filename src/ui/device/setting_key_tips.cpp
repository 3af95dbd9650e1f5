#include "ui/device/setting_key_tips.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "ui/toolkit/controls.h"

namespace tessel::ui {

namespace {

// Label -> the names the tooltip lists: a family that fills a caption with
// many keys ("key.P" for the 170 keys under "Keys") by its pattern, a single
// key ("stage.0.dpi" beside "Stage 1") by itself.
std::map<std::string, std::vector<std::string>> namesByLabel(const KindDescription& kind) {
  const std::vector<settings::KeyLabel> rows = kind.labels();
  std::map<std::pair<std::string, std::string>, int> familySize;
  for (const settings::KeyLabel& r : rows) ++familySize[{r.label, r.pattern}];
  std::map<std::string, std::vector<std::string>> out;
  for (const settings::KeyLabel& r : rows) {
    if (r.label.empty()) continue;
    const bool family = !r.pattern.empty() && familySize[{r.label, r.pattern}] > 1;
    const std::string& name = family ? r.pattern : r.key;
    std::vector<std::string>& names = out[r.label];
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return out;
}

void mark(CControlUI& control, const std::map<std::string, std::vector<std::string>>& names, const QString& prefix) {
  const QString key = control.GetTextKey();
  if (!key.isEmpty() && control.GetToolTip().isEmpty()) {
    if (auto it = names.find(key.toStdString()); it != names.end()) {
      QString tip = prefix;
      for (size_t i = 0; i < it->second.size(); ++i)
        tip += (i == 0 ? QStringLiteral(" ") : QStringLiteral(", ")) + QString::fromStdString(it->second[i]);
      control.SetToolTip(tip);
    }
  }
  for (int i = 0; i < control.GetCount(); ++i)
    if (CControlUI* child = control.GetItemAt(i)) mark(*child, names, prefix);
}

}  // namespace

void ShowSettingKeys(CControlUI& root, const KindDescription& kind) {
  mark(root, namesByLabel(kind),
       QStringLiteral("tesselctl get|set ") + QString::fromUtf8(kind.name.data(), static_cast<int>(kind.name.size())));
}

}  // namespace tessel::ui
