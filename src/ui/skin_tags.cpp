#include "ui/skin_tags.h"

#include "ui/device/brelvik_usb_device.h"
#include "ui/device/device_kinds.h"
#include "ui/device/device_option.h"
#include "ui/device/device_profile.h"
#include "ui/device/key_set_control.h"
#include "ui/device/light_control.h"
#include "ui/device/macro_action_list.h"
#include "ui/device/macro_control.h"
#include "ui/device/magic_control.h"
#include "ui/device/voice6533_control.h"
#include "ui/device/mp_device_power.h"
#include "ui/device/shoot_control.h"
#include "ui/device/select_panel.h"
#include "ui/audio_record_control.h"
#include "ui/toolkit/builder.h"
#include "ui/update_info_item.h"

namespace tessel::ui {
namespace {

template <typename T>
std::function<CControlUI*()> make() {
  return [] { return static_cast<CControlUI*>(new T); };
}

}  // namespace

const std::vector<SkinTag>& SkinTagTable() {
  // Editors and the remaining custom controls come with their own parts of
  // the program; their rows gain a creator there. Until then the tag yields
  // no control, like any unknown tag.
  static const std::vector<SkinTag> table = {
      // The classes registered at start-up, in their order.
      {"CCircleProgressUI", "CircleProgress", {}, nullptr},
      {"CChartViewUI", nullptr, {}, nullptr},
      {"CWndUI", nullptr, {}, nullptr},
      {"CSelectPanelUI", "SelectPanel", make<CSelectPanelUI>(), nullptr},
      {"CDeviceKeyButtonUI", "DeviceKeyButton", make<CDeviceKeyButtonUI>(), nullptr},
      {"CUpdateInfoListItemUI", nullptr, make<CUpdateInfoListItemUI>(), nullptr},
      {"CDeviceOptionUI", "DeviceOption", make<CDeviceOptionUI>(), nullptr},
      {"CMpDevicePowerUI", "MpDevicePower", make<CMpDevicePowerUI>(), nullptr},
      {"CComboEditContainerElementUI", "ComboEditContainerElement", {}, nullptr},
      {"CHandImgButtonUI", "HandImgButton", {}, nullptr},
      {"CHandImgSelectButtonUI", "HandImgSelectButton", {}, nullptr},
      {"CRedioMacroButtonUI", "RedioMacroButton", {}, nullptr},
      {"CAudioRecordUI", "AudioRecord", make<CAudioRecordUI>(), nullptr},
      {"CLightControlUI", "LightControl", make<CLightControlUI>(), nullptr},
      {"CMacroControlUI", "MacroControl", make<CMacroControlUI>(), nullptr},
      {"CKeySetControlUI", "KeySetControl", make<CKeySetControlUI>(), nullptr},
      {"CDeviceProfileUI", "DeviceProfile", make<CDeviceProfileUI>(), nullptr},
      {"CShootControlUI", "ShootControl", make<CShootControlUI>(), nullptr},
      {"CMagicControlUI", "MagicControl", make<CMagicControlUI>(), nullptr},
      {"CVoice6533ControlUI", "Voice6533Control", make<CVoice6533ControlUI>(), nullptr},
      {"CBrelvikUSBDevice", nullptr, make<CBrelvikUSBDevice>(), nullptr},
      {"CBrelvikMousePadDevice", "BrelvikMousePadDevice", make<CBrelvikMousePadDevice>(), nullptr},
      {"CBrelvikHS6533Device", "BrelvikHS6533Device", make<CBrelvikHS6533Device>(), nullptr},
      // The macro editor's event list.
      {nullptr, "MacroActionList", make<CMacroActionListUI>(), nullptr},
      // Tags of the main window only.
      {nullptr, "BrelvikMouseDevice", make<CBrelvikMouseDevice>(), nullptr},
      {nullptr, "BrelvikKeyboardDevice", make<CBrelvikKeyboardDevice>(), nullptr},
      // Tags that stand for a nested skin.
      {nullptr, "DeviceProfileUI", {}, "XML/CustomControlXML/DeviceProfile.xml"},
      {nullptr, "LightSetControlUI", {}, "XML/CustomControlXML/LightControl.xml"},
      {nullptr, "Voice6533SetControlUI", {}, "XML/CustomControlXML/Voice6533Control.xml"},
      {nullptr, "MagicSetControlUI", {}, "XML/CustomControlXML/MagicControl.xml"},
      {nullptr, "KeySetControlUI", {}, "XML/CustomControlXML/KeySetControl.xml"},
      {nullptr, "MacroSetControlUI", {}, "XML/CustomControlXML/MacroControl.xml"},
      {nullptr, "ShootKeySetControlUI", {}, "XML/CustomControlXML/ShootControl.xml"},
      {nullptr, "VirtualSetControlUI", {}, "XML/CustomControlXML/VirtualSet.xml"},
  };
  return table;
}

CControlUI* CreateSkinTag(const QString& tag, IDialogBuilderCallback* callback, CPaintManagerUI* manager) {
  for (const SkinTag& row : SkinTagTable()) {
    if (!row.tag || tag.compare(QLatin1String(row.tag), Qt::CaseInsensitive) != 0) continue;
    if (row.builtFrom) {
      CDialogBuilder nested;
      return nested.Create(QString::fromLatin1(row.builtFrom), QString(), callback, manager);
    }
    return row.create ? row.create() : nullptr;
  }
  return nullptr;
}

int RegisterSkinClasses() {
  int count = 0;
  for (const SkinTag& row : SkinTagTable()) {
    if (!row.className || !row.create) continue;
    CControlFactory::GetInstance()->RegistControl(QString::fromLatin1(row.className), row.create);
    ++count;
  }
  return count;
}

}  // namespace tessel::ui
