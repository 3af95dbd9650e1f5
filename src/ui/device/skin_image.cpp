#include "ui/device/skin_image.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "ui/toolkit/paint_manager.h"

namespace tessel::ui {

QString SkinImagePath(const QString& relative) {
  if (relative.isEmpty()) return relative;
  if (QFileInfo::exists(CPaintManagerUI::ResolvePath(relative))) return relative;
  if (relative.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
    QString svg = relative.left(relative.size() - 4) + QStringLiteral(".svg");
    if (QFileInfo::exists(CPaintManagerUI::ResolvePath(svg))) return svg;
  }
  return relative;
}

QString SkinImageAttribute(const QString& attribute) {
  static const QRegularExpression fileRe(QStringLiteral("file='([^']*)'"));
  const QRegularExpressionMatch m = fileRe.match(attribute);
  if (!m.hasMatch()) return SkinImagePath(attribute.trimmed());
  QString out = attribute;
  out.replace(m.capturedStart(1), m.capturedLength(1), SkinImagePath(m.captured(1)));
  return out;
}

}  // namespace tessel::ui
