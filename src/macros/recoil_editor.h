#pragma once
// The recoil editor `CShootControlUI` without its controls: the state the
// mouse page's recoil tab shows and the operations its controls call. The
// page maps
//   "shoot_gun_op_" + g                 -> selectGun(g)  (and shows picture page g
//                                          of "shoot_image_display_switch")
//   "bullet_op_" + s                    -> selectShot(s)
//   "bullet_selected_prev" / "_next"    -> selectPrevious() / selectNext()
//   "bullet_x_eidt", "bullet_y_eidt", "bullet_delay_eidt" losing focus
//                                       -> storeShot(...) with the typed fields
//   "bullet_x_check" / "bullet_y_check" -> the directions (fixed labels
//                                          kXCheckTextKey / kYCheckTextKey; see
//                                          leftOf / upOf), stored with the shot
//   "shootdate_reset_btn", "shootdate_import_btn", "shootdate_export_btn"
//                                       -> reset(), importFile(), exportTo()
//                                          (file filter kShootFileFilter)
//   "shootdate_save_btn"                -> requestRecoilDownload (devices/mouse/mouse_recoil.h)
// and after every call shows selectedGun(), selectedShot(), shotLabel() in
// "bullet_select_index", and fields() in the five shot controls.
#include <filesystem>
#include <string>
#include <string_view>

#include "macros/recoil_file.h"

namespace tessel::macros {

inline constexpr std::string_view kShootFileFilter = "Shoot Files(*.shoot)";

class RecoilEditor {
 public:
  RecoilEditor() = default;

  // The device data folder (given by the mouse page) and the default data folder.
  void setFolders(std::filesystem::path dataFolder, std::filesystem::path defaultFolder);
  RecoilFiles& files() { return files_; }
  const RecoilFiles& files() const { return files_; }

  // Recreates the guns' files that are missing or unreadable from the factory
  // files, then selects gun 0 and shot 0. True when all four files are usable.
  bool initialise();

  int gunCount() const { return kGunCount; }
  int shotCount() const { return kShotCount; }
  int selectedGun() const { return gun_; }
  int selectedShot() const { return shot_; }  // -1 before the first selection

  // Clamped to 0..3; reloads the selected shot's fields.
  void selectGun(int gun);
  // Clamped to 0..29; loads the shot's fields from the selected gun's file.
  void selectShot(int shot);
  // One shot back / on; stays on shot 0 / 29 (before the first selection
  // both select shot 0).
  void selectPrevious();
  void selectNext();

  // The shot fields as loaded (or as last stored).
  const RecoilShot& fields() const { return fields_; }
  // "bullet_select_index": the shot number counted from 1 (empty before the
  // first selection).
  std::string shotLabel() const;

  // Stores the selected shot of the selected gun from the fields. Before the
  // first selection nothing is written (BadShot).
  RecoilResult storeShot(const RecoilShot& fields);
  // The same from the typed texts of the three number fields, read as
  // decimal integers (leading digits; empty or no digits gives 0).
  RecoilResult storeShotText(std::string_view x, bool left, std::string_view y, bool up,
                             std::string_view delay);

  // The selected gun's file: factory copy, import, export. Reset and import
  // reload the selected shot's fields.
  RecoilResult reset();
  RecoilResult importFile(const std::filesystem::path& source);
  RecoilResult exportTo(const std::filesystem::path& target) const;

  // Re-reads the selected shot's fields from the file.
  void reload();

  // The direction checks keep one label each, and a tick means what the
  // label says, in the terms of "tesselctl recoil": "Move left" ticked is a
  // negative X, "Move down" ticked a positive Y (an unticked "Move down"
  // moves up). The files keep their meaning (RecoilShot's left and up).
  static constexpr std::string_view kXCheckTextKey = "mouse_move_to_left_text";
  static constexpr std::string_view kYCheckTextKey = "mouse_move_to_down_text";
  static bool xCheckOf(const RecoilShot& shot) { return shot.left; }
  static bool yCheckOf(const RecoilShot& shot) { return !shot.up; }
  static bool leftOf(bool xCheck) { return xCheck; }
  static bool upOf(bool yCheck) { return !yCheck; }

 private:
  RecoilFiles files_;
  int gun_ = 0;
  int shot_ = -1;
  RecoilShot fields_;
};

// A number field's text read as a decimal integer: leading digits, none gives
// 0; saturates instead of overflowing.
long long parseShotField(std::string_view text);

}  // namespace tessel::macros
