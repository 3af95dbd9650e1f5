// Single-line and rich edits.
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
      // Keys meant for the page on screen never edit a field of a page
      // that is hidden (a device tile chosen while this edit had the focus).
      if (!widget_->isVisible()) return true;
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

}  // namespace tessel::ui
