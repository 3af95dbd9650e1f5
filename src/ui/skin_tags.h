#pragma once
// What each of the program's skin tags creates: one table for the custom
// control classes start-up registers with the control factory (in their
// registration order) and for the tags the main window builds, whether from a
// class or from a nested skin file.
//
// A skin element resolves, ignoring case: through the window's callback (this
// table, by tag), then the toolkit's own tags (Control, Button, ...), then the
// control factory (this table's class names, as the tag and as "C" + tag +
// "UI"). An element that resolves to nothing is left out with its subtree.
#include <QString>
#include <functional>
#include <vector>

namespace tessel::ui {

class CControlUI;
class CPaintManagerUI;
class IDialogBuilderCallback;

struct SkinTag {
  const char* className;  // registered with the control factory at start-up; nullptr: not registered
  const char* tag;        // the element name skins use; nullptr: reached only by its class name
  std::function<CControlUI*()> create;  // empty while the class is not part of the program yet
  const char* builtFrom;                // a nested skin the tag stands for; nullptr for created tags
};

const std::vector<SkinTag>& SkinTagTable();

// The control a tag of the table stands for: created, or built from its
// nested skin with the same callback and paint manager. nullptr for a tag the
// table does not have or whose class does not exist yet.
CControlUI* CreateSkinTag(const QString& tag, IDialogBuilderCallback* callback, CPaintManagerUI* manager);

// Registers every class of the table that has a creator; returns how many.
int RegisterSkinClasses();

}  // namespace tessel::ui
