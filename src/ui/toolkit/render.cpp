#include "ui/toolkit/render.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

namespace tessel::ui {

DWORD ParseColor(const QString& text) {
  QString t = text.trimmed();
  bool ok = false;
  DWORD value = 0;
  if (t.startsWith('#')) {
    t = t.mid(1);
    value = t.toUInt(&ok, 16);
    if (ok && t.size() == 6) value |= 0xFF000000u;
  } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    value = t.mid(2).toUInt(&ok, 16);
  } else {
    value = t.toUInt(&ok, 10);
  }
  return ok ? value : 0;
}

QMargins ParseMargins(const QString& text) {
  const QStringList parts = text.split(',');
  int v[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4 && i < parts.size(); ++i) v[i] = parts[i].trimmed().toInt();
  return QMargins(v[0], v[1], v[2], v[3]);
}

QRect ParseRect(const QString& text) {
  QMargins m = ParseMargins(text);
  return QRect(QPoint(m.left(), m.top()), QPoint(m.right() - 1, m.bottom() - 1));
}

bool ParseBool(const QString& text) {
  const QString t = text.trimmed().toLower();
  return t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("yes");
}

ImageAttributes ParseImageAttributes(const QString& text) {
  ImageAttributes attrs;
  const QString t = text.trimmed();
  if (t.isEmpty()) return attrs;
  if (!t.contains('=')) {
    attrs.file = t;
    return attrs;
  }
  static const QRegularExpression re(QStringLiteral("(\\w+)\\s*=\\s*'([^']*)'"));
  auto it = re.globalMatch(t);
  while (it.hasNext()) {
    auto m = it.next();
    const QString key = m.captured(1).toLower();
    const QString value = m.captured(2);
    if (key == QLatin1String("file") || key == QLatin1String("res")) {
      attrs.file = value;
    } else if (key == QLatin1String("dest")) {
      attrs.dest = ParseRect(value);
      attrs.hasDest = true;
    } else if (key == QLatin1String("source")) {
      attrs.source = ParseRect(value);
      attrs.hasSource = true;
    }
  }
  return attrs;
}

ImageCache& ImageCache::instance() {
  static ImageCache cache;
  return cache;
}

QPixmap ImageCache::get(const QString& path, const QSize& size, const QRect& source) {
  if (path.isEmpty() || size.isEmpty()) return {};
  const QString key = QStringLiteral("%1|%2x%3|%4,%5,%6,%7")
                          .arg(path)
                          .arg(size.width())
                          .arg(size.height())
                          .arg(source.x())
                          .arg(source.y())
                          .arg(source.width())
                          .arg(source.height());
  if (auto it = cache_.find(key); it != cache_.end()) return it->second;
  QPixmap result;
  if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
    QSvgRenderer renderer(path);
    if (renderer.isValid()) {
      QImage image(size, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      renderer.render(&painter);
      painter.end();
      result = QPixmap::fromImage(image);
    }
  } else if (QFile::exists(path)) {
    QImage image(path);
    if (!image.isNull()) {
      if (source.isValid() && !source.isEmpty()) image = image.copy(source);
      result = QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
  }
  cache_.emplace(key, result);
  return result;
}

void ImageCache::clear() { cache_.clear(); }

}  // namespace tessel::ui
