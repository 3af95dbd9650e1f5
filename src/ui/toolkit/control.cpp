// The control base: name, texts, attributes, its widget and painting.
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

#include "ui/toolkit/controls_internal.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

using namespace control_detail;

namespace control_detail {

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


// Style sheet colour text of an ARGB value.
QString CssColor(DWORD c) {
  QColor q = Argb(c);
  return QStringLiteral("rgba(%1,%2,%3,%4)").arg(q.red()).arg(q.green()).arg(q.blue()).arg(q.alpha());
}

void ReleaseFocusFrom(QWidget* hidden) {
  QWidget* window = hidden ? hidden->window() : nullptr;
  // The window remembers its focus widget even while another window is
  // active, and gives it the keys again on activation: look there, not at
  // the application's focus.
  QWidget* focus = window ? window->focusWidget() : nullptr;
  if (focus && (focus == hidden || hidden->isAncestorOf(focus))) focus->clearFocus();
}

}  // namespace control_detail

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
  if (!IsVisible()) ReleaseFocusFrom(widget_);
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
      if (!IsDrawn()) return false;
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
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      // A native widget (combo, edit, list) handles its own pointer: a combo
      // opens its list on the press, an edit places the cursor. Taking the
      // press here would also start dragging the window from a drop-down.
      if (!IsDrawn()) return false;
      return OnDrawnMouseEvent(static_cast<QMouseEvent*>(event));
    case QEvent::FocusIn: return Raise(UIEvent::SetFocus);
    case QEvent::FocusOut: return Raise(UIEvent::KillFocus);
    default: return false;
  }
}

bool CControlUI::IsDrawn() const { return widget_ && widget_->metaObject() == &QWidget::staticMetaObject; }

bool CControlUI::OnDrawnMouseEvent(QMouseEvent* me) {
  switch (me->type()) {
    case QEvent::MouseButtonPress: {
      if (me->button() != Qt::LeftButton) return false;
      TEventUI e{UIEvent::ButtonDown, this, me->position().toPoint()};
      DoEvent(e);
      if (e.lParam == 0 && manager_) manager_->OnCaptionPress(me->globalPosition().toPoint());
      return true;
    }
    case QEvent::MouseButtonRelease: {
      if (me->button() != Qt::LeftButton) return false;
      TEventUI e{UIEvent::ButtonUp, this, me->position().toPoint()};
      DoEvent(e);
      return true;
    }
    case QEvent::MouseButtonDblClick: return Raise(UIEvent::DoubleClick, me->position().toPoint());
    case QEvent::MouseMove: return Raise(UIEvent::MouseMove, me->position().toPoint());
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

}  // namespace tessel::ui
