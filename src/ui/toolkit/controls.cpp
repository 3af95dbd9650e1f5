#include "ui/toolkit/controls.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTextEdit>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

// Forwards the events of a control's widget to the control. Connections to
// the widget's signals use the bridge as context, so deleting the bridge cuts
// them before the widget goes.
class ControlBridge : public QObject {
 public:
  explicit ControlBridge(CControlUI* owner) : owner_(owner) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (owner_ && watched == owner_->widget_) return owner_->OnWidgetEvent(event);
    return false;
  }
  CControlUI* owner_;
};

namespace {

unsigned ParseAlign(const QString& value, unsigned style) {
  const QStringList parts = value.toLower().split(QRegularExpression(QStringLiteral("[ ,|]+")),
                                                  Qt::SkipEmptyParts);
  for (const QString& p : parts) {
    if (p == QLatin1String("left")) style = (style & ~(DT_CENTER | DT_RIGHT)) | DT_LEFT;
    else if (p == QLatin1String("center")) style = (style & ~(DT_RIGHT)) | DT_CENTER;
    else if (p == QLatin1String("right")) style = (style & ~(DT_CENTER)) | DT_RIGHT;
    else if (p == QLatin1String("top")) style = style & ~(DT_VCENTER | DT_BOTTOM);
    else if (p == QLatin1String("vcenter")) style = (style & ~DT_BOTTOM) | DT_VCENTER;
    else if (p == QLatin1String("bottom")) style = (style & ~DT_VCENTER) | DT_BOTTOM;
  }
  return style;
}

QString ResolveTextKey(const QString& text, QString* key) {
  static const QRegularExpression re(QStringLiteral("^%\\[(.+)\\]$"));
  auto m = re.match(text);
  if (!m.hasMatch()) {
    key->clear();
    return text;
  }
  *key = m.captured(1);
  return CResourceManager::GetInstance()->GetText(*key);
}

QColor Argb(DWORD c) { return QColor::fromRgba(c); }

// Style sheet colour text of an ARGB value.
QString CssColor(DWORD c) {
  QColor q = Argb(c);
  return QStringLiteral("rgba(%1,%2,%3,%4)").arg(q.red()).arg(q.green()).arg(q.blue()).arg(q.alpha());
}

}  // namespace

// ======================================================================= CControlUI

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (manager_) manager_->ReapControl(this);
  delete bridge_;
  bridge_ = nullptr;
  delete widget_.data();
}

void CControlUI::SetName(const QString& name) {
  name_ = name;
  if (widget_) widget_->setObjectName(name);
}

void CControlUI::SetText(const QString& text) {
  text_ = ResolveTextKey(text, &textKey_);
  Invalidate();
}

void CControlUI::ReloadText() {
  if (!textKey_.isEmpty()) {
    QString key = textKey_;
    SetText(QStringLiteral("%[") + key + QStringLiteral("]"));
  }
  if (!tooltipKey_.isEmpty()) SetToolTip(QStringLiteral("%[") + tooltipKey_ + QStringLiteral("]"));
}

void CControlUI::SetToolTip(const QString& text) {
  tooltip_ = ResolveTextKey(text, &tooltipKey_);
  if (widget_) widget_->setToolTip(tooltip_);
}

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  UpdateWidgetVisibility();
  NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  if (internVisible_ == visible) return;
  internVisible_ = visible;
  UpdateWidgetVisibility();
}

void CControlUI::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (widget_) widget_->setEnabled(enabled);
  Invalidate();
}

bool CControlUI::IsFocused() const { return widget_ && widget_->hasFocus(); }

void CControlUI::SetFocus() {
  if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

void CControlUI::SetBkColor(DWORD color) { bkColor_ = color; Invalidate(); }
void CControlUI::SetBorderColor(DWORD color) { borderColor_ = color; Invalidate(); }
void CControlUI::SetBorderSize(int size) { borderSize_ = std::max(0, size); Invalidate(); }
void CControlUI::SetBorderRound(int radius) { borderRound_ = std::max(0, radius); Invalidate(); }
void CControlUI::SetTextColor(DWORD color) { textColor_ = color; Invalidate(); }
void CControlUI::SetDisabledTextColor(DWORD color) { disabledTextColor_ = color; Invalidate(); }
void CControlUI::SetBkImage(const QString& image) { bkImage_ = image; Invalidate(); }
void CControlUI::SetForeImage(const QString& image) { foreImage_ = image; Invalidate(); }
void CControlUI::SetFont(int fontId) { font_ = fontId; ApplyWidgetFont(); Invalidate(); }
void CControlUI::SetTextStyle(unsigned style) { textStyle_ = style; Invalidate(); }
void CControlUI::SetTextPadding(const QMargins& padding) { textPadding_ = padding; Invalidate(); }

void CControlUI::SetCursorHand(bool hand) {
  cursorHand_ = hand;
  if (widget_) widget_->setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CControlUI::SetFixedWidth(int width) { fixedWidth_ = std::max(0, width); NeedParentUpdate(); }
void CControlUI::SetFixedHeight(int height) { fixedHeight_ = std::max(0, height); NeedParentUpdate(); }
void CControlUI::SetPadding(const QMargins& padding) { padding_ = padding; NeedParentUpdate(); }
void CControlUI::SetFloat(bool isFloat) { float_ = isFloat; NeedParentUpdate(); }
void CControlUI::SetFloatPos(const QRect& pos) { floatPos_ = pos; NeedParentUpdate(); }

QRect CControlUI::GetPos() const { return widget_ ? widget_->geometry() : QRect(); }

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  manager_ = manager;
  parent_ = parent;
  ApplyWidgetFont();
}

void CControlUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("name")) SetName(value);
  else if (n == QLatin1String("text")) SetText(value);
  else if (n == QLatin1String("tooltip")) SetToolTip(value);
  else if (n == QLatin1String("userdata")) SetUserData(value);
  else if (n == QLatin1String("tag")) SetTag(static_cast<uintptr_t>(value.toULongLong()));
  else if (n == QLatin1String("visible")) SetVisible(ParseBool(value));
  else if (n == QLatin1String("enabled")) SetEnabled(ParseBool(value));
  else if (n == QLatin1String("width")) SetFixedWidth(value.toInt());
  else if (n == QLatin1String("height")) SetFixedHeight(value.toInt());
  else if (n == QLatin1String("padding")) SetPadding(ParseMargins(value));
  else if (n == QLatin1String("float")) SetFloat(ParseBool(value));
  else if (n == QLatin1String("pos")) {
    QMargins m = ParseMargins(value);
    SetFloatPos(QRect(QPoint(m.left(), m.top()), QPoint(m.right() - 1, m.bottom() - 1)));
    if (m.right() > m.left() && fixedWidth_ == 0) fixedWidth_ = m.right() - m.left();
    if (m.bottom() > m.top() && fixedHeight_ == 0) fixedHeight_ = m.bottom() - m.top();
  } else if (n == QLatin1String("bkcolor")) SetBkColor(ParseColor(value));
  else if (n == QLatin1String("bordercolor")) SetBorderColor(ParseColor(value));
  else if (n == QLatin1String("bordersize")) SetBorderSize(value.toInt());
  else if (n == QLatin1String("borderround")) SetBorderRound(value.section(',', 0, 0).toInt());
  else if (n == QLatin1String("textcolor")) SetTextColor(ParseColor(value));
  else if (n == QLatin1String("disabledtextcolor")) SetDisabledTextColor(ParseColor(value));
  else if (n == QLatin1String("bkimage")) SetBkImage(value);
  else if (n == QLatin1String("foreimage")) SetForeImage(value);
  else if (n == QLatin1String("font")) SetFont(value.toInt());
  else if (n == QLatin1String("align")) SetTextStyle(ParseAlign(value, textStyle_));
  else if (n == QLatin1String("valign")) SetTextStyle(ParseAlign(value, textStyle_));
  else if (n == QLatin1String("wordbreak") || n == QLatin1String("multiline")) {
    SetTextStyle(ParseBool(value) ? (textStyle_ | DT_WORDBREAK) : (textStyle_ & ~DT_WORDBREAK));
  } else if (n == QLatin1String("endellipsis")) {
    SetTextStyle(ParseBool(value) ? (textStyle_ | DT_END_ELLIPSIS) : (textStyle_ & ~DT_END_ELLIPSIS));
  } else if (n == QLatin1String("textpadding")) SetTextPadding(ParseMargins(value));
  else if (n == QLatin1String("cursor")) SetCursorHand(value.compare(QLatin1String("hand"), Qt::CaseInsensitive) == 0);
}

void CControlUI::ApplyAttributeList(const QString& list) {
  static const QRegularExpression re(QStringLiteral("(\\w+)\\s*=\\s*\"([^\"]*)\""));
  auto it = re.globalMatch(list);
  while (it.hasNext()) {
    auto m = it.next();
    SetAttribute(m.captured(1), m.captured(2));
  }
}

void CControlUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEvent::Timer: SendNotify(notify::kTimer, event.wParam, event.lParam); break;
    case UIEvent::SetFocus: SendNotify(notify::kSetFocus); break;
    case UIEvent::KillFocus: SendNotify(notify::kKillFocus); break;
    case UIEvent::MouseEnter:
      hot_ = true;
      Invalidate();
      SendNotify(notify::kMouseEnter);
      break;
    case UIEvent::MouseLeave:
      hot_ = false;
      pushed_ = false;
      Invalidate();
      SendNotify(notify::kMouseLeave);
      break;
    default: break;
  }
}

bool CControlUI::Activate() {
  if (!IsEnabled()) return false;
  SendNotify(notify::kClick);
  return true;
}

void CControlUI::Invalidate() {
  if (widget_) widget_->update();
}

void CControlUI::NeedParentUpdate() {
  if (parent_) parent_->Relayout();
}

CControlUI* CControlUI::FindControl(const std::function<bool(CControlUI*)>& match) {
  if (match(this)) return this;
  for (int i = 0; i < GetCount(); ++i) {
    if (CControlUI* child = GetItemAt(i)) {
      if (CControlUI* found = child->FindControl(match)) return found;
    }
  }
  return nullptr;
}

QWidget* CControlUI::GetWidget() {
  if (!widget_) {
    if (!bridge_) bridge_ = new ControlBridge(this);
    widget_ = CreateWidget();
    widget_->setObjectName(name_);
    widget_->setProperty("tesselControlClass", GetClass());
    widget_->installEventFilter(bridge_);
    widget_->setToolTip(tooltip_);
    widget_->setEnabled(enabled_);
    if (cursorHand_) widget_->setCursor(Qt::PointingHandCursor);
    OnWidgetCreated();
    ApplyWidgetFont();
  }
  return widget_;
}

QWidget* CControlUI::CreateWidget() {
  auto* w = new QWidget();
  w->setAttribute(Qt::WA_Hover, false);
  return w;
}

int CControlUI::Scale(int value) const { return manager_ ? manager_->Scale(value) : value; }

void CControlUI::ApplyDpi() {
  ApplyWidgetFont();
  Invalidate();
}

QFont CControlUI::CurrentFont() const {
  if (manager_) return manager_->GetFont(font_);
  QFont f;
  f.setPixelSize(12);
  return f;
}

void CControlUI::ApplyWidgetFont() {
  if (widget_) widget_->setFont(CurrentFont());
}

void CControlUI::UpdateWidgetVisibility() {
  if (!widget_) return;
  if (widget_->parentWidget()) widget_->setVisible(IsVisible());
  else if (!IsVisible()) widget_->hide();
}

void CControlUI::SendNotify(const QString& type, WPARAM wParam, LPARAM lParam) {
  if (manager_) manager_->SendNotify(this, type, wParam, lParam);
}

bool CControlUI::OnWidgetEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Paint: {
      // Only drawn controls paint here; native widgets keep their own painting.
      if (widget_->metaObject() != &QWidget::staticMetaObject) return false;
      QPainter painter(widget_);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      Paint(painter, widget_->rect());
      return true;
    }
    case QEvent::Resize:
      Relayout();
      return false;
    case QEvent::Enter: return Raise(UIEvent::MouseEnter);
    case QEvent::Leave: return Raise(UIEvent::MouseLeave);
    case QEvent::MouseButtonPress: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() != Qt::LeftButton) return false;
      TEventUI e{UIEvent::ButtonDown, this, me->position().toPoint()};
      DoEvent(e);
      if (e.lParam == 0 && manager_) manager_->OnCaptionPress(me->globalPosition().toPoint());
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() != Qt::LeftButton) return false;
      TEventUI e{UIEvent::ButtonUp, this, me->position().toPoint()};
      DoEvent(e);
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(event);
      return Raise(UIEvent::DoubleClick, me->position().toPoint());
    }
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(event);
      return Raise(UIEvent::MouseMove, me->position().toPoint());
    }
    case QEvent::FocusIn: return Raise(UIEvent::SetFocus);
    case QEvent::FocusOut: return Raise(UIEvent::KillFocus);
    default: return false;
  }
}

void CControlUI::Paint(QPainter& painter, const QRect& rc) {
  PaintBkColor(painter, rc);
  PaintBkImage(painter, rc);
  PaintStatusImage(painter, rc);
  PaintText(painter, rc);
  PaintBorder(painter, rc);
}

void CControlUI::PaintBkColor(QPainter& painter, const QRect& rc) {
  if ((bkColor_ >> 24) == 0) return;
  painter.setPen(Qt::NoPen);
  painter.setBrush(Argb(bkColor_));
  if (borderRound_ > 0) painter.drawRoundedRect(QRectF(rc), Scale(borderRound_), Scale(borderRound_));
  else painter.drawRect(rc);
}

void CControlUI::PaintBkImage(QPainter& painter, const QRect& rc) { DrawImage(painter, rc, bkImage_); }

void CControlUI::PaintStatusImage(QPainter& painter, const QRect& rc) { DrawImage(painter, rc, foreImage_); }

void CControlUI::PaintBorder(QPainter& painter, const QRect& rc) {
  if (borderSize_ <= 0 || (borderColor_ >> 24) == 0) return;
  const qreal w = Scale(borderSize_);
  painter.setPen(QPen(Argb(borderColor_), w));
  painter.setBrush(Qt::NoBrush);
  QRectF r = QRectF(rc).adjusted(w / 2, w / 2, -w / 2, -w / 2);
  if (borderRound_ > 0) painter.drawRoundedRect(r, Scale(borderRound_), Scale(borderRound_));
  else painter.drawRect(r);
}

bool CControlUI::DrawImage(QPainter& painter, const QRect& rc, const QString& image) {
  if (image.isEmpty()) return false;
  ImageAttributes attrs = ParseImageAttributes(image);
  if (attrs.empty()) return false;
  QRect dest = rc;
  if (attrs.hasDest) {
    dest = QRect(rc.left() + Scale(attrs.dest.left()), rc.top() + Scale(attrs.dest.top()),
                 Scale(attrs.dest.width()), Scale(attrs.dest.height()));
  }
  QPixmap pm = ImageCache::instance().get(CPaintManagerUI::ResolvePath(attrs.file), dest.size(),
                                          attrs.hasSource ? attrs.source : QRect());
  if (pm.isNull()) return false;
  painter.drawPixmap(dest, pm);
  return true;
}

void CControlUI::DrawText(QPainter& painter, const QRect& rc, const QString& text, DWORD color,
                          unsigned style) {
  if (text.isEmpty()) return;
  QRect r = rc.marginsRemoved(QMargins(Scale(textPadding_.left()), Scale(textPadding_.top()),
                                       Scale(textPadding_.right()), Scale(textPadding_.bottom())));
  int flags = 0;
  flags |= (style & DT_CENTER) ? Qt::AlignHCenter : (style & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
  flags |= (style & DT_VCENTER) ? Qt::AlignVCenter : (style & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
  if (style & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  painter.setFont(CurrentFont());
  painter.setPen(Argb(color ? color : 0xFFE6E8EEu));
  QString shown = text;
  if ((style & DT_END_ELLIPSIS) && !(style & DT_WORDBREAK))
    shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, r.width());
  painter.drawText(r, flags, shown);
}

// ======================================================================= containers

CContainerUI::~CContainerUI() {
  // Children first: their widgets are children of ours.
  auto items = std::move(items_);
  items_.clear();
  for (CControlUI* c : items) delete c;
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control || index < 0 || index > GetCount()) return false;
  items_.insert(items_.begin() + index, control);
  QWidget* child = control->GetWidget();
  child->setParent(GetWidget());
  control->SetManager(manager_, this);
  control->UpdateWidgetVisibility();
  if (control->IsFloat()) child->raise();
  Relayout();
  return true;
}

bool CContainerUI::Remove(CControlUI* control) {
  auto it = std::find(items_.begin(), items_.end(), control);
  if (it == items_.end()) return false;
  items_.erase(it);
  delete control;
  Relayout();
  return true;
}

void CContainerUI::RemoveAll() {
  auto items = std::move(items_);
  items_.clear();
  for (CControlUI* c : items) delete c;
  Relayout();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  auto it = std::find(items_.begin(), items_.end(), control);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void CContainerUI::SetInset(const QMargins& inset) { inset_ = inset; Relayout(); }
void CContainerUI::SetChildPadding(int padding) { childPadding_ = std::max(0, padding); Relayout(); }

void CContainerUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("inset")) SetInset(ParseMargins(value));
  else if (n == QLatin1String("childpadding")) SetChildPadding(value.toInt());
  else CControlUI::SetAttribute(name, value);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (CControlUI* c : items_) c->SetManager(manager, this);
}

void CContainerUI::SetVisible(bool visible) { CControlUI::SetVisible(visible); }

void CContainerUI::ApplyDpi() {
  CControlUI::ApplyDpi();
  for (CControlUI* c : items_) c->ApplyDpi();
  Relayout();
}

QRect CContainerUI::InnerRect() const {
  if (!widget_) return {};
  return widget_->rect().marginsRemoved(QMargins(Scale(inset_.left()), Scale(inset_.top()),
                                                 Scale(inset_.right()), Scale(inset_.bottom())));
}

void CContainerUI::PlaceFloat(CControlUI* child, const QRect& inner) {
  QWidget* w = child->GetWidget();
  const QRect pos = child->GetFloatPos();
  int x = widget_->rect().left() + Scale(pos.left());
  int y = widget_->rect().top() + Scale(pos.top());
  int width = child->GetFixedWidth() ? Scale(child->GetFixedWidth()) : widget_->width() - x;
  int height = child->GetFixedHeight() ? Scale(child->GetFixedHeight()) : widget_->height() - y;
  (void)inner;
  w->setGeometry(x, y, std::max(0, width), std::max(0, height));
  w->raise();
}

void CContainerUI::Relayout() {
  if (!widget_) return;
  const QRect inner = InnerRect();
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c, inner);
      continue;
    }
    QMargins p(Scale(c->GetPadding().left()), Scale(c->GetPadding().top()), Scale(c->GetPadding().right()),
               Scale(c->GetPadding().bottom()));
    QRect r = inner.marginsRemoved(p);
    if (c->GetFixedWidth()) r.setWidth(Scale(c->GetFixedWidth()));
    if (c->GetFixedHeight()) r.setHeight(Scale(c->GetFixedHeight()));
    c->GetWidget()->setGeometry(r);
  }
}

// Lays out the children of a vertical (rows) or horizontal (columns) layout:
// fixed sizes first, the rest shared out evenly among the children without one.
void CContainerUI::RelayoutLinear(bool vertical) {
  if (!widget_) return;
  const QRect inner = InnerRect();
  auto fixedAlong = [vertical](CControlUI* c) { return vertical ? c->GetFixedHeight() : c->GetFixedWidth(); };
  auto fixedAcross = [vertical](CControlUI* c) { return vertical ? c->GetFixedWidth() : c->GetFixedHeight(); };
  auto before = [vertical](const QMargins& m) { return vertical ? m.top() : m.left(); };
  auto after = [vertical](const QMargins& m) { return vertical ? m.bottom() : m.right(); };
  auto acrossBefore = [vertical](const QMargins& m) { return vertical ? m.left() : m.top(); };
  auto acrossAfter = [vertical](const QMargins& m) { return vertical ? m.right() : m.bottom(); };
  const int length = vertical ? inner.height() : inner.width();
  const int breadth = vertical ? inner.width() : inner.height();
  int fixedSum = 0, autoCount = 0, shown = 0;
  for (CControlUI* c : items_) {
    if (!c->IsVisible() || c->IsFloat()) continue;
    ++shown;
    fixedSum += Scale(before(c->GetPadding())) + Scale(after(c->GetPadding()));
    if (fixedAlong(c)) fixedSum += Scale(fixedAlong(c));
    else ++autoCount;
  }
  if (shown > 1) fixedSum += Scale(childPadding_) * (shown - 1);
  const int remaining = std::max(0, length - fixedSum);
  int pos = vertical ? inner.top() : inner.left();
  int autoSeen = 0;
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c, inner);
      continue;
    }
    const QMargins p = c->GetPadding();
    pos += Scale(before(p));
    int along;
    if (fixedAlong(c)) {
      along = Scale(fixedAlong(c));
    } else {
      ++autoSeen;
      along = remaining / autoCount + (autoSeen == autoCount ? remaining % autoCount : 0);
    }
    const int avail = breadth - Scale(acrossBefore(p)) - Scale(acrossAfter(p));
    const int across = fixedAcross(c) ? Scale(fixedAcross(c)) : avail;
    // Rows start at the left edge; fixed-height children are centred in a column layout's row.
    const int offset = (!vertical && fixedAcross(c)) ? std::max(0, (avail - across) / 2) : 0;
    const int crossPos = (vertical ? inner.left() : inner.top()) + Scale(acrossBefore(p)) + offset;
    if (vertical) c->GetWidget()->setGeometry(crossPos, pos, std::max(0, across), std::max(0, along));
    else c->GetWidget()->setGeometry(pos, crossPos, std::max(0, along), std::max(0, across));
    pos += along + Scale(after(p)) + Scale(childPadding_);
  }
}

void CVerticalLayoutUI::Relayout() { RelayoutLinear(true); }

void CHorizontalLayoutUI::Relayout() { RelayoutLinear(false); }

// ----------------------------------------------------------------------- tab layout

bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (curSel_ < 0) curSel_ = 0;
  else if (index <= curSel_ && curSel_ < GetCount() - 1) ++curSel_;
  ApplySelection();
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
  int index = GetItemIndex(control);
  if (!CContainerUI::Remove(control)) return false;
  if (GetCount() == 0) curSel_ = -1;
  else if (index < curSel_ || curSel_ >= GetCount()) curSel_ = std::max(0, curSel_ - 1);
  ApplySelection();
  return true;
}

void CTabLayoutUI::RemoveAll() {
  CContainerUI::RemoveAll();
  curSel_ = -1;
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == curSel_) return true;
  curSel_ = index;
  ApplySelection();
  return true;
}

void CTabLayoutUI::ApplySelection() {
  for (int i = 0; i < GetCount(); ++i) items_[static_cast<size_t>(i)]->SetInternVisible(i == curSel_);
  Relayout();
}

void CTabLayoutUI::DoInit() {
  if (pendingSel_ >= 0) SelectItem(pendingSel_);
}

bool CTabLayoutUI::ShowsChild(const CControlUI* child) const {
  return curSel_ >= 0 && curSel_ < GetCount() && items_[static_cast<size_t>(curSel_)] == child;
}

void CTabLayoutUI::SetAttribute(const QString& name, const QString& value) {
  if (name.compare(QLatin1String("selectedid"), Qt::CaseInsensitive) == 0) {
    pendingSel_ = value.toInt();
    SelectItem(pendingSel_);  // applied again in DoInit, once the pages exist
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

// ======================================================================= label, button

void CLabelUI::SetAttribute(const QString& name, const QString& value) { CControlUI::SetAttribute(name, value); }

void CLabelUI::PaintText(QPainter& painter, const QRect& rc) {
  DWORD color = IsEnabled() ? textColor_ : (disabledTextColor_ ? disabledTextColor_ : 0xFF6B7080u);
  DrawText(painter, rc, text_, color, textStyle_);
}

CButtonUI::CButtonUI() {
  textStyle_ = DT_CENTER | DT_VCENTER;
  cursorHand_ = true;
}

void CButtonUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("normalimage")) SetNormalImage(value);
  else if (n == QLatin1String("hotimage")) SetHotImage(value);
  else if (n == QLatin1String("pushedimage")) SetPushedImage(value);
  else if (n == QLatin1String("disabledimage")) disabledImage_ = value;
  else if (n == QLatin1String("hotforeimage")) hotForeImage_ = value;
  else if (n == QLatin1String("hotbkcolor")) SetHotBkColor(ParseColor(value));
  else if (n == QLatin1String("pushedbkcolor")) pushedBkColor_ = ParseColor(value);
  else if (n == QLatin1String("hottextcolor")) hotTextColor_ = ParseColor(value);
  else if (n == QLatin1String("pushedtextcolor")) pushedTextColor_ = ParseColor(value);
  else CLabelUI::SetAttribute(name, value);
}

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEvent::ButtonDown:
      if (IsEnabled()) {
        pushed_ = true;
        event.lParam = 1;  // taken: no window drag
        Invalidate();
      }
      return;
    case UIEvent::ButtonUp:
      if (pushed_) {
        pushed_ = false;
        Invalidate();
        if (widget_ && widget_->rect().contains(event.ptMouse)) Activate();
      }
      return;
    default: CLabelUI::DoEvent(event);
  }
}

void CButtonUI::PaintBkColor(QPainter& painter, const QRect& rc) {
  DWORD saved = bkColor_;
  if (IsEnabled() && pushed_ && pushedBkColor_) bkColor_ = pushedBkColor_;
  else if (IsEnabled() && (hot_ || pushed_) && hotBkColor_) bkColor_ = hotBkColor_;
  CLabelUI::PaintBkColor(painter, rc);
  bkColor_ = saved;
}

void CButtonUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  const QString* image = &normalImage_;
  if (!IsEnabled() && !disabledImage_.isEmpty()) image = &disabledImage_;
  else if (pushed_ && !pushedImage_.isEmpty()) image = &pushedImage_;
  else if ((hot_ || pushed_) && !hotImage_.isEmpty()) image = &hotImage_;
  DrawImage(painter, rc, *image);
  if ((hot_ || pushed_) && !hotForeImage_.isEmpty()) DrawImage(painter, rc, hotForeImage_);
  else DrawImage(painter, rc, foreImage_);
}

DWORD CButtonUI::CurrentTextColor() const {
  if (!IsEnabled()) return disabledTextColor_ ? disabledTextColor_ : 0xFF6B7080u;
  if (pushed_ && pushedTextColor_) return pushedTextColor_;
  if ((hot_ || pushed_) && hotTextColor_) return hotTextColor_;
  return textColor_;
}

void CButtonUI::PaintText(QPainter& painter, const QRect& rc) {
  DrawText(painter, rc, text_, CurrentTextColor(), textStyle_);
}

// ----------------------------------------------------------------------- option

COptionUI::~COptionUI() {
  if (manager_ && !group_.isEmpty()) manager_->RemoveOptionGroup(group_, this);
}

void COptionUI::SetGroup(const QString& group) {
  if (group == group_) return;
  if (manager_ && !group_.isEmpty()) manager_->RemoveOptionGroup(group_, this);
  group_ = group;
  if (manager_ && !group_.isEmpty()) manager_->AddOptionGroup(group_, this);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (manager_ != manager) {
    if (manager_ && !group_.isEmpty()) manager_->RemoveOptionGroup(group_, this);
    if (manager && !group_.isEmpty()) manager->AddOptionGroup(group_, this);
  }
  CButtonUI::SetManager(manager, parent);
  if (selected_) BindTab();
}

void COptionUI::Selected(bool selected, bool triggerEvent) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
  if (selected_ && manager_ && !group_.isEmpty()) {
    for (COptionUI* other : manager_->GetOptionGroup(group_)) {
      if (other != this) other->Selected(false, triggerEvent);
    }
  }
  if (selected_) BindTab();
  if (triggerEvent && (group_.isEmpty() || selected_)) SendNotify(notify::kSelectChanged);
}

void COptionUI::BindTab() {
  if (!manager_ || bindTabName_.isEmpty() || bindTabIndex_ < 0) return;
  if (auto* tab = dynamic_cast<CTabLayoutUI*>(manager_->FindControl(bindTabName_))) tab->SelectItem(bindTabIndex_);
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (!group_.isEmpty()) Selected(true);
  else Selected(!selected_);
  return true;
}

void COptionUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("group")) SetGroup(value);
  else if (n == QLatin1String("selected")) Selected(ParseBool(value), false);
  else if (n == QLatin1String("bindtabindex")) SetBindTabLayoutIndex(value.toInt());
  else if (n == QLatin1String("bindtablayoutname")) SetBindTabLayoutName(value);
  else if (n == QLatin1String("selectedimage")) SetSelectedImage(value);
  else if (n == QLatin1String("selectedhotimage")) selectedHotImage_ = value;
  else if (n == QLatin1String("selectedforeimage")) selectedForeImage_ = value;
  else if (n == QLatin1String("selectedbkcolor")) SetSelectedBkColor(ParseColor(value));
  else if (n == QLatin1String("selectedtextcolor")) selectedTextColor_ = ParseColor(value);
  else CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintBkColor(QPainter& painter, const QRect& rc) {
  if (selected_ && selectedBkColor_) {
    DWORD saved = bkColor_;
    bkColor_ = selectedBkColor_;
    CLabelUI::PaintBkColor(painter, rc);
    bkColor_ = saved;
    return;
  }
  CButtonUI::PaintBkColor(painter, rc);
}

void COptionUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  if (selected_) {
    const QString& image = (hot_ && !selectedHotImage_.isEmpty()) ? selectedHotImage_ : selectedImage_;
    if (!image.isEmpty()) {
      DrawImage(painter, rc, image);
      DrawImage(painter, rc, selectedForeImage_.isEmpty() ? foreImage_ : selectedForeImage_);
      return;
    }
  }
  CButtonUI::PaintStatusImage(painter, rc);
}

DWORD COptionUI::CurrentTextColor() const {
  if (selected_ && selectedTextColor_ && IsEnabled()) return selectedTextColor_;
  return CButtonUI::CurrentTextColor();
}

bool CCheckBoxUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  Selected(!selected_);
  SendNotify(notify::kCheckClick, selected_ ? 1 : 0);
  return true;
}

void CCheckBoxUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  if (!normalImage_.isEmpty() || !selectedImage_.isEmpty()) {
    COptionUI::PaintStatusImage(painter, rc);
    return;
  }
  // Drawn box at the left, text after it.
  const int s = std::min(rc.height(), Scale(16));
  QRectF box(rc.left() + 1, rc.center().y() - s / 2.0, s - 2, s - 2);
  painter.setPen(QPen(Argb(selected_ ? 0xFF3D7BFFu : 0xFF5A6070u), Scale(1)));
  painter.setBrush(selected_ ? Argb(0xFF3D7BFFu) : QColor(Qt::transparent));
  painter.drawRoundedRect(box, Scale(3), Scale(3));
  if (selected_) {
    painter.setPen(QPen(Qt::white, Scale(2)));
    QPointF a(box.left() + box.width() * 0.22, box.top() + box.height() * 0.52);
    QPointF b(box.left() + box.width() * 0.43, box.top() + box.height() * 0.72);
    QPointF c(box.left() + box.width() * 0.78, box.top() + box.height() * 0.30);
    painter.drawLine(a, b);
    painter.drawLine(b, c);
  }
  if (textPadding_.left() == 0) textPadding_.setLeft(22);
}

// ======================================================================= progress, slider

void CProgressUI::SetMinValue(int value) { min_ = value; if (max_ < min_) max_ = min_; SetValue(value_); }
void CProgressUI::SetMaxValue(int value) { max_ = value; if (min_ > max_) min_ = max_; SetValue(value_); }

void CProgressUI::SetValue(int value) {
  value_ = std::clamp(value, min_, max_);
  Invalidate();
}

void CProgressUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("min")) SetMinValue(value.toInt());
  else if (n == QLatin1String("max")) SetMaxValue(value.toInt());
  else if (n == QLatin1String("value")) SetValue(value.toInt());
  else if (n == QLatin1String("hor")) horizontal_ = ParseBool(value);
  else if (n == QLatin1String("forecolor")) foreColor_ = ParseColor(value);
  else if (n == QLatin1String("trackcolor")) trackColor_ = ParseColor(value);
  else CLabelUI::SetAttribute(name, value);
}

QRect CProgressUI::ForeRect(const QRect& rc) const {
  const double span = max_ > min_ ? double(value_ - min_) / double(max_ - min_) : 0.0;
  if (horizontal_) return QRect(rc.left(), rc.top(), int(rc.width() * span + 0.5), rc.height());
  int h = int(rc.height() * span + 0.5);
  return QRect(rc.left(), rc.bottom() - h + 1, rc.width(), h);
}

void CProgressUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  const qreal radius = horizontal_ ? rc.height() / 2.0 : rc.width() / 2.0;
  if (trackColor_) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(trackColor_));
    painter.drawRoundedRect(QRectF(rc), radius, radius);
  }
  QRect fore = ForeRect(rc);
  if (fore.isEmpty()) return;
  if (!foreImage_.isEmpty()) {
    painter.save();
    painter.setClipRect(fore);
    DrawImage(painter, rc, foreImage_);
    painter.restore();
  } else if (foreColor_) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(foreColor_));
    painter.drawRoundedRect(QRectF(fore), radius, radius);
  }
}

CSliderUI::CSliderUI() {
  trackColor_ = 0xFF2A2F3Au;
  cursorHand_ = true;
}

void CSliderUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("thumbimage")) SetThumbImage(value);
  else if (n == QLatin1String("thumbsize")) {
    QMargins m = ParseMargins(value);
    thumbSize_ = QSize(m.left(), m.top());
  } else if (n == QLatin1String("step")) SetStep(value.toInt());
  else CProgressUI::SetAttribute(name, value);
}

QRect CSliderUI::ThumbRect(const QRect& rc) const {
  const QSize ts(Scale(thumbSize_.width()), Scale(thumbSize_.height()));
  const double span = max_ > min_ ? double(value_ - min_) / double(max_ - min_) : 0.0;
  if (horizontal_) {
    int x = rc.left() + int((rc.width() - ts.width()) * span + 0.5);
    return QRect(x, rc.center().y() - ts.height() / 2, ts.width(), ts.height());
  }
  int y = rc.bottom() - ts.height() + 1 - int((rc.height() - ts.height()) * span + 0.5);
  return QRect(rc.center().x() - ts.width() / 2, y, ts.width(), ts.height());
}

int CSliderUI::ValueAt(const QPoint& point) const {
  if (!widget_) return value_;
  const QRect rc = widget_->rect();
  const QSize ts(Scale(thumbSize_.width()), Scale(thumbSize_.height()));
  double span;
  if (horizontal_) span = double(point.x() - rc.left() - ts.width() / 2) / std::max(1, rc.width() - ts.width());
  else span = double(rc.bottom() - point.y() - ts.height() / 2) / std::max(1, rc.height() - ts.height());
  span = std::clamp(span, 0.0, 1.0);
  int v = min_ + int(span * (max_ - min_) + 0.5);
  if (step_ > 1) v = min_ + ((v - min_ + step_ / 2) / step_) * step_;
  return std::clamp(v, min_, max_);
}

void CSliderUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  const int thick = Scale(4);
  QRect track = horizontal_ ? QRect(rc.left(), rc.center().y() - thick / 2, rc.width(), thick)
                            : QRect(rc.center().x() - thick / 2, rc.top(), thick, rc.height());
  CProgressUI::PaintStatusImage(painter, track);
  QRect thumb = ThumbRect(rc);
  if (!DrawImage(painter, thumb, thumbImage_)) {
    painter.setPen(QPen(Argb(0xFF3D7BFFu), Scale(2)));
    painter.setBrush(Argb(IsEnabled() ? 0xFFFFFFFFu : 0xFF8A8F9Au));
    painter.drawEllipse(QRectF(thumb).adjusted(1, 1, -1, -1));
  }
}

void CSliderUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEvent::ButtonDown:
      if (!IsEnabled()) return;
      event.lParam = 1;
      dragging_ = true;
      if (int v = ValueAt(event.ptMouse); v != value_) {
        SetValue(v);
        SendNotify(notify::kMoveValueChanged);
      }
      return;
    case UIEvent::MouseMove:
      if (dragging_) {
        if (int v = ValueAt(event.ptMouse); v != value_) {
          SetValue(v);
          SendNotify(notify::kMoveValueChanged);
        }
      }
      return;
    case UIEvent::ButtonUp:
      if (dragging_) {
        dragging_ = false;
        SetValue(ValueAt(event.ptMouse));
        SendNotify(notify::kValueChanged);
      }
      return;
    default: CProgressUI::DoEvent(event);
  }
}

bool CSliderUI::OnWidgetEvent(QEvent* event) {
  if (event->type() == QEvent::Wheel && IsEnabled()) {
    auto* we = static_cast<QWheelEvent*>(event);
    int delta = we->angleDelta().y() > 0 ? step_ : -step_;
    int before = value_;
    SetValue(value_ + delta);
    if (value_ != before) SendNotify(notify::kValueChanged);
    return true;
  }
  return CProgressUI::OnWidgetEvent(event);
}

// ======================================================================= edit

CEditUI::CEditUI() { textColor_ = 0xFFE6E8EEu; }

QWidget* CEditUI::CreateWidget() {
  auto* edit = new QLineEdit();
  edit->setMaxLength(maxChar_);
  edit->setReadOnly(readOnly_);
  edit->setEchoMode(password_ ? QLineEdit::Password : QLineEdit::Normal);
  edit->setText(text_);
  edit->setFrame(false);
  if (numberOnly_) {
    const QString pattern = minValue_ < 0 ? QStringLiteral("-?\\d*") : QStringLiteral("\\d*");
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
  }
  QObject::connect(edit, &QLineEdit::textEdited, bridge_, [this](const QString& text) {
    text_ = text;
    SendNotify(notify::kTextChanged);
  });
  QObject::connect(edit, &QLineEdit::textChanged, bridge_, [this](const QString& text) {
    if (!settingText_) text_ = text;
  });
  return edit;
}

QLineEdit* CEditUI::GetLineEdit() const { return static_cast<QLineEdit*>(widget_.data()); }

void CEditUI::ApplyStyle() {
  if (!widget_) return;
  QString css = QStringLiteral("QLineEdit{background:%1;color:%2;border:%3px solid %4;border-radius:%5px;"
                               "padding:0 %6px;selection-background-color:#3D7BFF;}")
                    .arg(bkColor_ ? CssColor(bkColor_) : QStringLiteral("#1E222B"))
                    .arg(CssColor(textColor_ ? textColor_ : 0xFFE6E8EEu))
                    .arg(std::max(1, Scale(borderSize_ ? borderSize_ : 1)))
                    .arg(borderColor_ ? CssColor(borderColor_) : QStringLiteral("#343A46"))
                    .arg(Scale(borderRound_ ? borderRound_ : 4))
                    .arg(Scale(6));
  widget_->setStyleSheet(css);
}

void CEditUI::SetText(const QString& text) {
  QString key;
  QString value = ResolveTextKey(text, &key);
  textKey_ = key;
  if (numberOnly_) value = Clamp(value);
  text_ = value.left(maxChar_);
  if (auto* e = GetLineEdit(); e && e->text() != text_) {
    settingText_ = true;
    e->setText(text_);
    settingText_ = false;
  }
}

void CEditUI::SetMaxChar(int count) {
  maxChar_ = std::max(1, count);
  if (auto* e = GetLineEdit()) e->setMaxLength(maxChar_);
}

void CEditUI::SetNumberOnly(bool on) {
  numberOnly_ = on;
  if (auto* e = GetLineEdit()) {
    if (on) {
      delete e->validator();
      const QString pattern = minValue_ < 0 ? QStringLiteral("-?\\d*") : QStringLiteral("\\d*");
      e->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), e));
    } else {
      e->setValidator(nullptr);
    }
  }
}

void CEditUI::SetMinValue(int value) {
  minValue_ = value;
  if (maxValue_ < minValue_) maxValue_ = minValue_;
  if (numberOnly_) SetNumberOnly(true);
}

void CEditUI::SetMaxValue(int value) {
  maxValue_ = value;
  if (minValue_ > maxValue_) minValue_ = maxValue_;
}

void CEditUI::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  if (auto* e = GetLineEdit()) e->setReadOnly(readOnly);
}

void CEditUI::SetPasswordMode(bool on) {
  password_ = on;
  if (auto* e = GetLineEdit()) e->setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal);
}

void CEditUI::SetEnabled(bool enabled) { CControlUI::SetEnabled(enabled); }

void CEditUI::ApplyDpi() {
  CControlUI::ApplyDpi();
  ApplyStyle();
}

QString CEditUI::Clamp(const QString& text) const {
  if (!numberOnly_) return text;
  const bool bounded = minValue_ != INT32_MIN || maxValue_ != INT32_MAX;
  if (text.isEmpty() || text == QLatin1String("-")) {
    // Nothing typed: the value nearest to 0 within the range.
    return bounded ? QString::number(std::clamp(0, minValue_, maxValue_)) : QString();
  }
  QString digits;
  for (QChar c : text) {
    if (c.isDigit() || (c == '-' && digits.isEmpty())) digits.append(c);
  }
  bool ok = false;
  long long v = digits.toLongLong(&ok);
  if (!ok) {
    // Too many digits for a number: the nearest end of the range.
    v = digits.startsWith('-') ? static_cast<long long>(minValue_) : static_cast<long long>(maxValue_);
  }
  v = std::clamp<long long>(v, minValue_, maxValue_);
  return QString::number(v);
}

void CEditUI::ClampNow() {
  auto* e = GetLineEdit();
  if (!e || !numberOnly_) return;
  QString clamped = Clamp(e->text());
  if (clamped != e->text()) {
    settingText_ = true;
    e->setText(clamped);
    settingText_ = false;
  }
  text_ = clamped;
}

void CEditUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("maxchar")) SetMaxChar(value.toInt());
  else if (n == QLatin1String("numberonly")) SetNumberOnly(ParseBool(value));
  else if (n == QLatin1String("minvalue") || n == QLatin1String("minnum")) SetMinValue(value.toInt());
  else if (n == QLatin1String("maxvalue") || n == QLatin1String("maxnum")) SetMaxValue(value.toInt());
  else if (n == QLatin1String("readonly")) SetReadOnly(ParseBool(value));
  else if (n == QLatin1String("password")) SetPasswordMode(ParseBool(value));
  else {
    CControlUI::SetAttribute(name, value);
    if (n.contains(QLatin1String("color")) || n.startsWith(QLatin1String("border"))) ApplyStyle();
  }
}

bool CEditUI::OnWidgetEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::FocusOut: {
      ClampNow();
      return Raise(UIEvent::KillFocus);
    }
    case QEvent::FocusIn: return Raise(UIEvent::SetFocus);
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
        ClampNow();
        SendNotify(notify::kReturn);
        return true;
      }
      return false;
    }
    case QEvent::Resize: return false;
    case QEvent::Paint: return false;
    default: return false;
  }
}

// ----------------------------------------------------------------------- rich edit

QWidget* CRichEditUI::CreateWidget() {
  auto* edit = new QTextEdit();
  edit->setPlainText(text_);
  edit->setReadOnly(readOnly_);
  edit->setFrameStyle(0);
  edit->setStyleSheet(QStringLiteral("QTextEdit{background:#1E222B;color:#E6E8EE;border:1px solid #343A46;"
                                     "border-radius:4px;}"));
  QObject::connect(edit, &QTextEdit::textChanged, bridge_, [this] {
    if (settingText_) return;
    text_ = GetTextEdit()->toPlainText();
    SendNotify(notify::kTextChanged);
  });
  return edit;
}

QTextEdit* CRichEditUI::GetTextEdit() const { return static_cast<QTextEdit*>(widget_.data()); }

void CRichEditUI::SetText(const QString& text) {
  QString key;
  text_ = ResolveTextKey(text, &key);
  textKey_ = key;
  if (auto* e = GetTextEdit()) {
    settingText_ = true;
    e->setPlainText(text_);
    settingText_ = false;
  }
}

QString CRichEditUI::GetPlainText() const { return text_; }

void CRichEditUI::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  if (auto* e = GetTextEdit()) e->setReadOnly(readOnly);
}

void CRichEditUI::SetAttribute(const QString& name, const QString& value) {
  if (name.compare(QLatin1String("readonly"), Qt::CaseInsensitive) == 0) SetReadOnly(ParseBool(value));
  else CControlUI::SetAttribute(name, value);
}

void CRichEditUI::ApplyDpi() { CControlUI::ApplyDpi(); }

bool CRichEditUI::OnWidgetEvent(QEvent* event) {
  if (event->type() == QEvent::Paint || event->type() == QEvent::Resize) return false;
  if (event->type() == QEvent::FocusOut || event->type() == QEvent::FocusIn) return CControlUI::OnWidgetEvent(event);
  return false;
}

// ======================================================================= combo and list items

bool CItemsUI::Add(CControlUI* control) {
  if (auto* element = dynamic_cast<CListLabelElementUI*>(control)) {
    AddItem(element->GetText(), element->GetUserData());
    delete element;
    return true;
  }
  delete control;  // a combo or list holds items only
  return false;
}

int CItemsUI::AddItem(const QString& text, const QString& userData) {
  GetWidget();
  updating_ = true;
  WidgetAdd(text, userData);
  WidgetShowSelection(curSel_);  // a combo would otherwise select its first item
  updating_ = false;
  return WidgetCount() - 1;
}

bool CItemsUI::RemoveItemAt(int index) {
  GetWidget();
  if (index < 0 || index >= WidgetCount()) return false;
  updating_ = true;
  WidgetRemove(index);
  if (curSel_ == index) curSel_ = -1;
  else if (curSel_ > index) --curSel_;
  WidgetShowSelection(curSel_);
  updating_ = false;
  return true;
}

void CItemsUI::RemoveAllItems() {
  GetWidget();
  updating_ = true;
  WidgetClear();
  curSel_ = -1;
  updating_ = false;
}

int CItemsUI::GetItemCount() const { return HasWidget() ? WidgetCount() : 0; }

QString CItemsUI::GetItemText(int index) const {
  return index >= 0 && index < GetItemCount() ? WidgetText(index) : QString();
}

QString CItemsUI::GetItemUserData(int index) const {
  return index >= 0 && index < GetItemCount() ? WidgetUserData(index) : QString();
}

bool CItemsUI::SelectItem(int index, bool triggerEvent) {
  GetWidget();
  if (index < -1 || index >= WidgetCount()) return false;
  const int old = curSel_;
  curSel_ = index;
  updating_ = true;
  WidgetShowSelection(index);
  updating_ = false;
  if (triggerEvent && old != index) SendNotify(notify::kItemSelect, static_cast<WPARAM>(index), old);
  return true;
}

// ======================================================================= combo

QWidget* CComboUI::CreateWidget() {
  auto* combo = new QComboBox();
  QObject::connect(combo, &QComboBox::activated, bridge_, [this](int index) {
    if (!updating_) SelectItem(index, true);
  });
  return combo;
}

QComboBox* CComboUI::GetComboBox() const { return static_cast<QComboBox*>(widget_.data()); }

int CComboUI::WidgetCount() const { return GetComboBox()->count(); }
QString CComboUI::WidgetText(int index) const { return GetComboBox()->itemText(index); }
QString CComboUI::WidgetUserData(int index) const { return GetComboBox()->itemData(index).toString(); }
void CComboUI::WidgetAdd(const QString& text, const QString& userData) { GetComboBox()->addItem(text, userData); }
void CComboUI::WidgetRemove(int index) { GetComboBox()->removeItem(index); }
void CComboUI::WidgetClear() { GetComboBox()->clear(); }
void CComboUI::WidgetShowSelection(int index) { GetComboBox()->setCurrentIndex(index); }

void CComboUI::ApplyStyle() {
  if (!widget_) return;
  widget_->setStyleSheet(
      QStringLiteral("QComboBox{background:#1E222B;color:#E6E8EE;border:1px solid #343A46;border-radius:%1px;"
                     "padding:0 %2px;}QComboBox::drop-down{border:none;width:%3px;}"
                     "QComboBox QAbstractItemView{background:#1E222B;color:#E6E8EE;"
                     "selection-background-color:#3D7BFF;border:1px solid #343A46;}")
          .arg(Scale(4))
          .arg(Scale(8))
          .arg(Scale(20)));
}









void CComboUI::SetAttribute(const QString& name, const QString& value) {
  if (name.compare(QLatin1String("selectedid"), Qt::CaseInsensitive) == 0) {
    int index = value.toInt();
    if (index < GetItemCount()) SelectItem(index, false);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CComboUI::SetEnabled(bool enabled) { CControlUI::SetEnabled(enabled); }

void CComboUI::ApplyDpi() {
  CControlUI::ApplyDpi();
  ApplyStyle();
}

// ======================================================================= list

QWidget* CListUI::CreateWidget() {
  auto* list = new QListWidget();
  list->setStyleSheet(QStringLiteral("QListWidget{background:#1E222B;color:#E6E8EE;border:1px solid #343A46;"
                                     "border-radius:4px;outline:none;}"
                                     "QListWidget::item:selected{background:#3D7BFF;color:white;}"));
  QObject::connect(list, &QListWidget::currentRowChanged, bridge_, [this](int row) {
    if (updating_) return;
    const int old = curSel_;
    curSel_ = row;
    if (old != row) SendNotify(notify::kItemSelect, static_cast<WPARAM>(row), old);
  });
  QObject::connect(list, &QListWidget::itemClicked, bridge_, [this, list](QListWidgetItem* item) {
    SendNotify(notify::kItemClick, static_cast<WPARAM>(list->row(item)));
  });
  QObject::connect(list, &QListWidget::itemDoubleClicked, bridge_, [this, list](QListWidgetItem* item) {
    SendNotify(notify::kItemActivate, static_cast<WPARAM>(list->row(item)));
  });
  return list;
}

QListWidget* CListUI::GetListWidget() const { return static_cast<QListWidget*>(widget_.data()); }

int CListUI::WidgetCount() const { return GetListWidget()->count(); }
QString CListUI::WidgetText(int index) const { return GetListWidget()->item(index)->text(); }
QString CListUI::WidgetUserData(int index) const {
  return GetListWidget()->item(index)->data(Qt::UserRole).toString();
}
void CListUI::WidgetAdd(const QString& text, const QString& userData) {
  auto* item = new QListWidgetItem(text);
  item->setData(Qt::UserRole, userData);
  GetListWidget()->addItem(item);
}
void CListUI::WidgetRemove(int index) { delete GetListWidget()->takeItem(index); }
void CListUI::WidgetClear() { GetListWidget()->clear(); }
void CListUI::WidgetShowSelection(int index) { GetListWidget()->setCurrentRow(index); }








bool CListUI::SetItemText(int index, const QString& text) {
  auto* list = GetListWidget();
  if (!list || index < 0 || index >= list->count()) return false;
  list->item(index)->setText(text);
  return true;
}


void CListUI::EnsureVisible(int index) {
  auto* list = GetListWidget();
  if (list && index >= 0 && index < list->count()) list->scrollToItem(list->item(index));
}

void CListUI::SetAttribute(const QString& name, const QString& value) { CContainerUI::SetAttribute(name, value); }

void CListUI::ApplyDpi() { CControlUI::ApplyDpi(); }

// ======================================================================= colour palette

CColorPaletteUI::CColorPaletteUI() { cursorHand_ = true; }

DWORD CColorPaletteUI::GetSelectColor() const {
  QColor c = QColor::fromHsv(hue_ % 360, saturation_, brightness_);
  return 0xFF000000u | (DWORD(c.red()) << 16) | (DWORD(c.green()) << 8) | DWORD(c.blue());
}

void CColorPaletteUI::SetSelectColor(DWORD color) {
  QColor c = Argb(color | 0xFF000000u);
  int h, s, v;
  c.getHsv(&h, &s, &v);
  if (h >= 0) hue_ = h;
  saturation_ = s;
  brightness_ = v;
  Invalidate();
}

void CColorPaletteUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("barheight")) barHeight_ = std::max(4, value.toInt());
  else if (n == QLatin1String("selectcolor")) SetSelectColor(ParseColor(value));
  else CControlUI::SetAttribute(name, value);
}

QRect CColorPaletteUI::FieldRect(const QRect& rc) const {
  return QRect(rc.left(), rc.top(), rc.width(), std::max(0, rc.height() - Scale(barHeight_) - Scale(8)));
}

QRect CColorPaletteUI::BarRect(const QRect& rc) const {
  return QRect(rc.left(), rc.bottom() - Scale(barHeight_) + 1, rc.width(), Scale(barHeight_));
}

void CColorPaletteUI::Paint(QPainter& painter, const QRect& rc) {
  PaintBkColor(painter, rc);
  const QRect field = FieldRect(rc);
  if (field.width() > 0 && field.height() > 0) {
    QImage image(field.size(), QImage::Format_RGB32);
    for (int y = 0; y < field.height(); ++y) {
      const int s = 255 - y * 255 / std::max(1, field.height() - 1);
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < field.width(); ++x) {
        const int h = x * 359 / std::max(1, field.width() - 1);
        line[x] = QColor::fromHsv(h, s, brightness_).rgb();
      }
    }
    QPainterPath clip;
    clip.addRoundedRect(QRectF(field), Scale(4), Scale(4));
    painter.save();
    painter.setClipPath(clip);
    painter.drawImage(field, image);
    painter.restore();
    const QPointF mark(field.left() + hue_ * (field.width() - 1) / 359.0,
                       field.top() + (255 - saturation_) * (field.height() - 1) / 255.0);
    painter.setPen(QPen(Qt::white, Scale(2)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(mark, Scale(5), Scale(5));
  }
  const QRect bar = BarRect(rc);
  QLinearGradient g(bar.topLeft(), bar.topRight());
  g.setColorAt(0, Qt::black);
  g.setColorAt(1, QColor::fromHsv(hue_ % 360, saturation_, 255));
  painter.setPen(Qt::NoPen);
  painter.setBrush(g);
  painter.drawRoundedRect(QRectF(bar), bar.height() / 2.0, bar.height() / 2.0);
  const qreal bx = bar.left() + brightness_ * (bar.width() - 1) / 255.0;
  painter.setPen(QPen(Qt::white, Scale(2)));
  painter.setBrush(Argb(GetSelectColor()));
  painter.drawEllipse(QPointF(bx, bar.center().y() + 0.5), bar.height() / 2.0 + 1, bar.height() / 2.0 + 1);
  PaintBorder(painter, rc);
}

void CColorPaletteUI::PickAt(const QPoint& point, bool fromBar) {
  if (!widget_) return;
  const QRect rc = widget_->rect();
  if (fromBar) {
    const QRect bar = BarRect(rc);
    brightness_ = std::clamp((point.x() - bar.left()) * 255 / std::max(1, bar.width() - 1), 0, 255);
  } else {
    const QRect field = FieldRect(rc);
    hue_ = std::clamp((point.x() - field.left()) * 359 / std::max(1, field.width() - 1), 0, 359);
    saturation_ = std::clamp(255 - (point.y() - field.top()) * 255 / std::max(1, field.height() - 1), 0, 255);
  }
  Invalidate();
  SendNotify(notify::kColorChanged, GetSelectColor());
}

bool CColorPaletteUI::OnWidgetEvent(QEvent* event) {
  if (!IsEnabled()) return CControlUI::OnWidgetEvent(event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() != Qt::LeftButton) return false;
      const QPoint p = me->position().toPoint();
      dragPart_ = BarRect(widget_->rect()).adjusted(0, -Scale(4), 0, Scale(4)).contains(p) ? 2 : 1;
      PickAt(p, dragPart_ == 2);
      return true;
    }
    case QEvent::MouseMove:
      if (dragPart_) PickAt(static_cast<QMouseEvent*>(event)->position().toPoint(), dragPart_ == 2);
      return dragPart_ != 0;
    case QEvent::MouseButtonRelease: dragPart_ = 0; return true;
    default: return CControlUI::OnWidgetEvent(event);
  }
}

}  // namespace tessel::ui
