#pragma once
// Controls of the toolkit layer. Every control is a plain C++ object with a
// name, text and attributes; it shows itself through one Qt widget that the
// toolkit creates. Drawn controls (labels, buttons, options, layouts, sliders,
// progress bars, the colour palette) paint themselves; edits, combos and lists
// wrap the matching Qt widget. Controls are used on the UI thread only, except
// CPaintManagerUI::SetTimer, which any thread may call.
#include <QColor>
#include <QFont>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "ui/toolkit/defs.h"
#include "ui/toolkit/render.h"

class QPainter;
class QEvent;
class QLineEdit;
class QTextEdit;
class QComboBox;
class QListWidget;
class QMouseEvent;

namespace tessel::ui {

class CPaintManagerUI;
class CContainerUI;
class ControlBridge;

// Text alignment flags (attribute "align": "left", "center", "right", "top",
// "vcenter", "bottom", combined with spaces or commas).
enum TextAlign : unsigned {
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_TOP = 0x0,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_END_ELLIPSIS = 0x8000,
};

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // Class name without the "C" prefix and "UI" suffix, e.g. "Button".
  virtual QString GetClass() const { return QStringLiteral("Control"); }

  QString GetName() const { return name_; }
  void SetName(const QString& name);
  QString GetText() const { return text_; }
  // A text of the form "%[key]" is a language text key: it is looked up in the
  // resource manager now and again at every ReloadText.
  virtual void SetText(const QString& text);
  QString GetTextKey() const { return textKey_; }
  // Re-resolves the text key (and the tooltip key); controls that fill texts
  // in code refill them here.
  virtual void ReloadText();
  QString GetToolTip() const { return tooltip_; }
  void SetToolTip(const QString& text);
  QString GetUserData() const { return userData_; }
  void SetUserData(const QString& data) { userData_ = data; }
  uintptr_t GetTag() const { return tag_; }
  void SetTag(uintptr_t tag) { tag_ = tag; }

  // Visible means the control's own flag and that its parent shows it (a tab
  // layout shows only its selected page).
  bool IsVisible() const { return visible_ && internVisible_; }
  bool GetOwnVisible() const { return visible_; }
  virtual void SetVisible(bool visible = true);
  void SetInternVisible(bool visible);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled = true);
  bool IsFocused() const;
  void SetFocus();

  // Colours are ARGB (0xAARRGGBB); 0 means none.
  DWORD GetBkColor() const { return bkColor_; }
  void SetBkColor(DWORD color);
  DWORD GetBorderColor() const { return borderColor_; }
  void SetBorderColor(DWORD color);
  void SetBorderSize(int size);
  void SetBorderRound(int radius);
  DWORD GetTextColor() const { return textColor_; }
  void SetTextColor(DWORD color);
  void SetDisabledTextColor(DWORD color);
  QString GetBkImage() const { return bkImage_; }
  void SetBkImage(const QString& image);
  QString GetForeImage() const { return foreImage_; }
  void SetForeImage(const QString& image);
  void SetFont(int fontId);
  int GetFont() const { return font_; }
  void SetTextStyle(unsigned style);
  unsigned GetTextStyle() const { return textStyle_; }
  void SetTextPadding(const QMargins& padding);
  void SetCursorHand(bool hand);

  // Geometry in 96-DPI units; the paint manager's DPI scales it.
  int GetFixedWidth() const { return fixedWidth_; }
  void SetFixedWidth(int width);
  int GetFixedHeight() const { return fixedHeight_; }
  void SetFixedHeight(int height);
  QMargins GetPadding() const { return padding_; }
  void SetPadding(const QMargins& padding);
  bool IsFloat() const { return float_; }
  void SetFloat(bool isFloat);
  QRect GetFloatPos() const { return floatPos_; }
  void SetFloatPos(const QRect& pos);
  // Current position in the parent's coordinates (device pixels).
  QRect GetPos() const;

  CPaintManagerUI* GetManager() const { return manager_; }
  CControlUI* GetParent() const { return parent_; }
  // This control's own background (colour, then image; no children) painted
  // over `rc`, its rectangle in the painter's coordinates. A child that
  // paints itself opaque draws what lies under its round corners with it.
  void PaintBackground(QPainter& painter, const QRect& rc) {
    PaintBkColor(painter, rc);
    PaintBkImage(painter, rc);
  }
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent);

  // Attributes of the skin format; unknown ones are ignored.
  virtual void SetAttribute(const QString& name, const QString& value);
  // `name="value" other="value"`.
  void ApplyAttributeList(const QString& list);

  // Input, timers and focus arrive here. The default raises the "timer",
  // "setfocus", "killfocus", "msenter" and "msleave" notifications.
  virtual void DoEvent(TEventUI& event);
  // Called once the control is built and has its manager.
  virtual void DoInit() {}
  // Clicked (by the user, or by code): raises "click". False when disabled.
  virtual bool Activate();

  void Invalidate();
  void NeedParentUpdate();

  // Children (containers override).
  virtual int GetCount() const { return 0; }
  virtual CControlUI* GetItemAt(int) const { return nullptr; }
  // Depth-first search of this control and its children; first match.
  CControlUI* FindControl(const std::function<bool(CControlUI*)>& match);

  // The widget that shows the control (created on first use).
  QWidget* GetWidget();
  QWidget* ExistingWidget() const { return widget_; }

  // Scaled to the manager's DPI.
  int Scale(int value) const;
  virtual void ApplyDpi();
  // Lays out children inside the widget (containers).
  virtual void Relayout() {}

 protected:
  friend class ControlBridge;
  friend class CContainerUI;
  virtual QWidget* CreateWidget();
  // Hands a toolkit event to DoEvent; returns false so Qt goes on with the event.
  bool Raise(UIEvent type, QPoint point = {}) {
    TEventUI e{type, this, point};
    DoEvent(e);
    return false;
  }
  virtual void OnWidgetCreated() {}
  // Drawn controls: the default draws the background colour, background
  // image, status image, text and border.
  virtual void Paint(QPainter& painter, const QRect& rc);
  virtual void PaintBkColor(QPainter& painter, const QRect& rc);
  virtual void PaintBkImage(QPainter& painter, const QRect& rc);
  virtual void PaintStatusImage(QPainter& painter, const QRect& rc);
  virtual void PaintText(QPainter&, const QRect&) {}
  virtual void PaintBorder(QPainter& painter, const QRect& rc);
  bool DrawImage(QPainter& painter, const QRect& rc, const QString& image);
  void DrawText(QPainter& painter, const QRect& rc, const QString& text, DWORD color, unsigned style);
  QFont CurrentFont() const;
  // Raw widget events; false lets the widget handle the event too.
  virtual bool OnWidgetEvent(QEvent* event);
  // Whether the control paints itself on a plain widget (buttons, labels,
  // layouts) rather than wrapping a native Qt widget.
  bool IsDrawn() const;
  // Pointer events of drawn controls become toolkit events; a press nobody
  // claims (lParam left 0) drags the window by its caption.
  bool OnDrawnMouseEvent(QMouseEvent* event);
  void SendNotify(const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);
  void UpdateWidgetVisibility();
  void ApplyWidgetFont();
  // The nearest container that lays out this control.
  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }

  QPointer<QWidget> widget_;
  ControlBridge* bridge_ = nullptr;
  CPaintManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  QString name_, text_, textKey_, tooltip_, tooltipKey_, userData_;
  uintptr_t tag_ = 0;
  bool visible_ = true;
  bool internVisible_ = true;
  bool enabled_ = true;
  bool hot_ = false;
  bool pushed_ = false;
  bool cursorHand_ = false;
  DWORD bkColor_ = 0, borderColor_ = 0, textColor_ = 0, disabledTextColor_ = 0;
  int borderSize_ = 0, borderRound_ = 0;
  QString bkImage_, foreImage_;
  int font_ = -1;
  unsigned textStyle_ = DT_LEFT | DT_VCENTER;
  QMargins textPadding_;
  int fixedWidth_ = 0, fixedHeight_ = 0;
  QMargins padding_;
  bool float_ = false;
  QRect floatPos_;
};

// ------------------------------------------------------------------ layouts

class CContainerUI : public CControlUI {
 public:
  CContainerUI() = default;
  ~CContainerUI() override;
  QString GetClass() const override { return QStringLiteral("Container"); }

  // The container owns its children.
  virtual bool Add(CControlUI* control);
  virtual bool AddAt(CControlUI* control, int index);
  // Deletes the child.
  virtual bool Remove(CControlUI* control);
  virtual void RemoveAll();
  int GetCount() const override { return static_cast<int>(items_.size()); }
  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const;

  QMargins GetInset() const { return inset_; }
  void SetInset(const QMargins& inset);
  int GetChildPadding() const { return childPadding_; }
  void SetChildPadding(int padding);

  void SetAttribute(const QString& name, const QString& value) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void SetVisible(bool visible = true) override;
  void ApplyDpi() override;
  void Relayout() override;

  // Whether the child's widget is shown by this container.
  virtual bool ShowsChild(const CControlUI*) const { return true; }

 protected:
  QRect InnerRect() const;
  void PlaceFloat(CControlUI* child, const QRect& inner);
  // The layout of vertical (rows) and horizontal (columns) containers.
  void RelayoutLinear(bool vertical);
  std::vector<CControlUI*> items_;
  QMargins inset_;
  int childPadding_ = 0;
};

class CVerticalLayoutUI : public CContainerUI {
 public:
  QString GetClass() const override { return QStringLiteral("VerticalLayout"); }
  void Relayout() override;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  QString GetClass() const override { return QStringLiteral("HorizontalLayout"); }
  void Relayout() override;
};

class CTabLayoutUI : public CContainerUI {
 public:
  QString GetClass() const override { return QStringLiteral("TabLayout"); }
  int GetCurSel() const { return curSel_; }
  // False for an index outside the pages.
  bool SelectItem(int index);
  bool SelectItem(CControlUI* control) { return SelectItem(GetItemIndex(control)); }
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  void RemoveAll() override;
  void SetAttribute(const QString& name, const QString& value) override;
  bool ShowsChild(const CControlUI* child) const override;
  void DoInit() override;

 private:
  void ApplySelection();
  int curSel_ = -1;
  int pendingSel_ = -1;
};

// ------------------------------------------------------------------ texts and buttons

class CLabelUI : public CControlUI {
 public:
  CLabelUI() = default;
  QString GetClass() const override { return QStringLiteral("Label"); }
  void SetAttribute(const QString& name, const QString& value) override;

 protected:
  void PaintText(QPainter& painter, const QRect& rc) override;
};

// A label whose text wraps.
class CTextUI : public CLabelUI {
 public:
  CTextUI() { textStyle_ = DT_LEFT | DT_TOP | DT_WORDBREAK; }
  QString GetClass() const override { return QStringLiteral("Text"); }
};

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  QString GetClass() const override { return QStringLiteral("Button"); }
  void SetAttribute(const QString& name, const QString& value) override;
  void SetNormalImage(const QString& image) { normalImage_ = image; Invalidate(); }
  QString GetNormalImage() const { return normalImage_; }
  void SetHotImage(const QString& image) { hotImage_ = image; Invalidate(); }
  void SetPushedImage(const QString& image) { pushedImage_ = image; Invalidate(); }
  void SetHotBkColor(DWORD color) { hotBkColor_ = color; Invalidate(); }
  void DoEvent(TEventUI& event) override;

 protected:
  void PaintBkColor(QPainter& painter, const QRect& rc) override;
  void PaintStatusImage(QPainter& painter, const QRect& rc) override;
  void PaintText(QPainter& painter, const QRect& rc) override;
  virtual DWORD CurrentTextColor() const;
  QString normalImage_, hotImage_, pushedImage_, disabledImage_, hotForeImage_;
  DWORD hotBkColor_ = 0, pushedBkColor_ = 0, hotTextColor_ = 0, pushedTextColor_ = 0;
};

// A button with a selected state. Options sharing a group name within one
// paint manager are exclusive; an option bound to a tab layout selects the
// bound page when it becomes selected.
class COptionUI : public CButtonUI {
 public:
  ~COptionUI() override;
  QString GetClass() const override { return QStringLiteral("Option"); }
  bool IsSelected() const { return selected_; }
  // Raises "selectchanged" when the state changes and triggerEvent is set
  // (grouped options only when they become selected).
  virtual void Selected(bool selected, bool triggerEvent = true);
  QString GetGroup() const { return group_; }
  void SetGroup(const QString& group);
  void SetBindTabLayoutName(const QString& name) { bindTabName_ = name; }
  QString GetBindTabLayoutName() const { return bindTabName_; }
  void SetBindTabLayoutIndex(int index) { bindTabIndex_ = index; }
  int GetBindTabLayoutIndex() const { return bindTabIndex_; }
  void SetSelectedImage(const QString& image) { selectedImage_ = image; Invalidate(); }
  void SetSelectedBkColor(DWORD color) { selectedBkColor_ = color; Invalidate(); }
  bool Activate() override;
  void SetAttribute(const QString& name, const QString& value) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;

 protected:
  void PaintBkColor(QPainter& painter, const QRect& rc) override;
  void PaintStatusImage(QPainter& painter, const QRect& rc) override;
  DWORD CurrentTextColor() const override;
  void BindTab();
  bool selected_ = false;
  QString group_, bindTabName_;
  int bindTabIndex_ = -1;
  QString selectedImage_, selectedHotImage_, selectedForeImage_;
  DWORD selectedBkColor_ = 0, selectedTextColor_ = 0;
};

class CCheckBoxUI : public COptionUI {
 public:
  QString GetClass() const override { return QStringLiteral("CheckBox"); }
  bool GetCheck() const { return IsSelected(); }
  void SetCheck(bool check, bool triggerEvent = true) { Selected(check, triggerEvent); }
  bool Activate() override;

 protected:
  void PaintStatusImage(QPainter& painter, const QRect& rc) override;
};

// ------------------------------------------------------------------ values

class CProgressUI : public CLabelUI {
 public:
  QString GetClass() const override { return QStringLiteral("Progress"); }
  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  int GetValue() const { return value_; }
  // Clamped to [min, max].
  virtual void SetValue(int value);
  bool IsHorizontal() const { return horizontal_; }
  void SetAttribute(const QString& name, const QString& value) override;

 protected:
  void PaintStatusImage(QPainter& painter, const QRect& rc) override;
  QRect ForeRect(const QRect& rc) const;
  int min_ = 0, max_ = 100, value_ = 0;
  bool horizontal_ = true;
  DWORD foreColor_ = 0xFF3D7BFFu;
  DWORD trackColor_ = 0;
};

// Dragging raises "movevaluechanged"; releasing (and wheel or a click on the
// track) raises "valuechanged".
class CSliderUI : public CProgressUI {
 public:
  CSliderUI();
  QString GetClass() const override { return QStringLiteral("Slider"); }
  void SetThumbImage(const QString& image) { thumbImage_ = image; Invalidate(); }
  QString GetThumbImage() const { return thumbImage_; }
  void SetStep(int step) { step_ = step > 0 ? step : 1; }
  void SetAttribute(const QString& name, const QString& value) override;
  void DoEvent(TEventUI& event) override;

 protected:
  void PaintStatusImage(QPainter& painter, const QRect& rc) override;
  bool OnWidgetEvent(QEvent* event) override;
  int ValueAt(const QPoint& point) const;
  QRect ThumbRect(const QRect& rc) const;
  QString thumbImage_;
  QSize thumbSize_{14, 14};
  int step_ = 1;
  bool dragging_ = false;
};

// ------------------------------------------------------------------ native widgets

class CEditUI : public CControlUI {
 public:
  CEditUI();
  QString GetClass() const override { return QStringLiteral("Edit"); }
  void SetText(const QString& text) override;
  void SetMaxChar(int count);
  int GetMaxChar() const { return maxChar_; }
  // Only digits (and a leading minus when the minimum is negative) can be typed.
  void SetNumberOnly(bool on);
  bool IsNumberOnly() const { return numberOnly_; }
  // For number-only edits: values outside are clamped when the edit loses the
  // focus, on return, and when the text is set by code.
  void SetMinValue(int value);
  void SetMaxValue(int value);
  int GetMinValue() const { return minValue_; }
  int GetMaxValue() const { return maxValue_; }
  void SetReadOnly(bool readOnly);
  void SetPasswordMode(bool on);
  void SetAttribute(const QString& name, const QString& value) override;
  void SetEnabled(bool enabled = true) override;
  void ApplyDpi() override;
  QLineEdit* GetLineEdit() const;

 protected:
  QWidget* CreateWidget() override;
  void OnWidgetCreated() override { ApplyStyle(); }
  bool OnWidgetEvent(QEvent* event) override;
  void ApplyStyle();
  QString Clamp(const QString& text) const;
  void ClampNow();
  int maxChar_ = 255;
  bool numberOnly_ = false;
  int minValue_ = INT32_MIN, maxValue_ = INT32_MAX;
  bool readOnly_ = false, password_ = false;
  bool settingText_ = false;
};

class CRichEditUI : public CControlUI {
 public:
  QString GetClass() const override { return QStringLiteral("RichEdit"); }
  void SetText(const QString& text) override;
  QString GetPlainText() const;
  void SetReadOnly(bool readOnly);
  void SetAttribute(const QString& name, const QString& value) override;
  void ApplyDpi() override;
  QTextEdit* GetTextEdit() const;

 protected:
  QWidget* CreateWidget() override;
  bool OnWidgetEvent(QEvent* event) override;
  bool readOnly_ = false;
  bool settingText_ = false;
};

// One item of a combo or list; in a skin, <ListLabelElement text=".." userdata=".."/>.
class CListLabelElementUI : public CControlUI {
 public:
  QString GetClass() const override { return QStringLiteral("ListLabelElement"); }
};

// Items are text plus user data, held by the Qt widget; the selection is
// kept here. Choosing an item raises "itemselect" with wParam = new index and
// lParam = previous index. Combo and list differ only in the widget.
class CItemsUI : public CContainerUI {
 public:
  // Element children of a skin become items.
  bool Add(CControlUI* control) override;
  int AddItem(const QString& text, const QString& userData = QString());
  bool RemoveItemAt(int index);
  void RemoveAllItems();
  int GetItemCount() const;
  QString GetItemText(int index) const;
  QString GetItemUserData(int index) const;
  int GetCurSel() const { return curSel_; }
  bool SelectItem(int index, bool triggerEvent = true);

 protected:
  // The widget's side; called with the widget created.
  virtual int WidgetCount() const = 0;
  virtual QString WidgetText(int index) const = 0;
  virtual QString WidgetUserData(int index) const = 0;
  virtual void WidgetAdd(const QString& text, const QString& userData) = 0;
  virtual void WidgetRemove(int index) = 0;
  virtual void WidgetClear() = 0;
  virtual void WidgetShowSelection(int index) = 0;
  bool HasWidget() const { return ExistingWidget() != nullptr; }
  int curSel_ = -1;
  bool updating_ = false;  // set while the widget is changed from here
};

class CComboUI : public CItemsUI {
 public:
  QString GetClass() const override { return QStringLiteral("Combo"); }
  void SetAttribute(const QString& name, const QString& value) override;
  void SetEnabled(bool enabled = true) override;
  void ApplyDpi() override;
  QComboBox* GetComboBox() const;

 protected:
  QWidget* CreateWidget() override;
  void OnWidgetCreated() override { ApplyStyle(); }
  bool OnWidgetEvent(QEvent* event) override;
  void ApplyStyle();
  int WidgetCount() const override;
  QString WidgetText(int index) const override;
  QString WidgetUserData(int index) const override;
  void WidgetAdd(const QString& text, const QString& userData) override;
  void WidgetRemove(int index) override;
  void WidgetClear() override;
  void WidgetShowSelection(int index) override;
};

// A list of text rows: "itemselect" (wParam new, lParam previous), "itemclick"
// and "itemactivate" (double click) with wParam = row.
class CListUI : public CItemsUI {
 public:
  QString GetClass() const override { return QStringLiteral("List"); }
  bool SetItemText(int index, const QString& text);
  void EnsureVisible(int index);
  void SetAttribute(const QString& name, const QString& value) override;
  void ApplyDpi() override;
  QListWidget* GetListWidget() const;

 protected:
  QWidget* CreateWidget() override;
  int WidgetCount() const override;
  QString WidgetText(int index) const override;
  QString WidgetUserData(int index) const override;
  void WidgetAdd(const QString& text, const QString& userData) override;
  void WidgetRemove(int index) override;
  void WidgetClear() override;
  void WidgetShowSelection(int index) override;
};

// Hue and saturation field with a brightness bar. Picking raises "colorchanged"
// with wParam = the colour (0xFFRRGGBB).
class CColorPaletteUI : public CControlUI {
 public:
  CColorPaletteUI();
  QString GetClass() const override { return QStringLiteral("ColorPalette"); }
  DWORD GetSelectColor() const;
  void SetSelectColor(DWORD color);
  void SetAttribute(const QString& name, const QString& value) override;

 protected:
  void Paint(QPainter& painter, const QRect& rc) override;
  bool OnWidgetEvent(QEvent* event) override;
  QRect FieldRect(const QRect& rc) const;
  QRect BarRect(const QRect& rc) const;
  void PickAt(const QPoint& point, bool fromBar);
  int hue_ = 0, saturation_ = 255, brightness_ = 255;
  int barHeight_ = 12;
  int dragPart_ = 0;  // 0 none, 1 field, 2 bar
};

}  // namespace tessel::ui
