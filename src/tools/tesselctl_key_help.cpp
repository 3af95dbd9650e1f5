// The help of the setting keys: every line comes from the kinds' setting
// rows (their `doc`), so `tesselctl help get`, `tesselctl help keys KIND` and
// the README's key tables (`scripts/update-readme-keys`) say the same.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/function_code_text.h"
#include "config/setting_keys.h"
#include "tools/tesselctl_internal.h"
#include "tools/tesselctl_kinds.h"

namespace tessel::tools {

namespace {

struct KeyTableHelp {
  std::string_view name;   // as `help keys NAME` takes it
  std::string_view title;  // the heading of the text help
  std::function<std::vector<settings::KeyHelp>()> lines;
  std::string_view nameTitle = "key";
  std::string_view helpTitle = "value";
};

// The kinds' keys, then the values of a button or key.
std::vector<KeyTableHelp> tables() {
  std::vector<KeyTableHelp> list;
  for (const CliKind& k : cliKinds()) list.push_back({k.d->name, k.d->keysTitle, k.d->keyHelp});
  list.push_back({"values", "Button and key values (button.N, key.P):", functionValueHelp, "VALUE", "function"});
  return list;
}

}  // namespace

bool keyTableHelp(std::string_view name, bool markdown, std::string& text) {
  for (const KeyTableHelp& t : tables()) {
    if (t.name != name) continue;
    text = markdown ? settings::keyHelpMarkdown(t.lines(), t.nameTitle, t.helpTitle)
                    : std::string(t.title) + "\n" + settings::keyHelpText(t.lines());
    return true;
  }
  return false;
}

std::string settingsKeysHelp() {
  std::string text;
  for (const KeyTableHelp& t : tables()) text += "\n" + std::string(t.title) + "\n" + settings::keyHelpText(t.lines());
  text +=
      "\nKey NAMEs are the key table's (A..Z, 0..9, F1..F12, Enter, Esc, Page_Up, Num_Enter,\n"
      "xiegang, ...), any case, _ for a space. A bad key or value exits 2 and nothing\n"
      "changes. Without the device only the current profile document changes\n"
      "(stage.N.dpi needs the mouse's scale). Headset audio groups the system cannot\n"
      "drive are left out of get, which says which and why.\n";
  return text;
}

}  // namespace tessel::tools
