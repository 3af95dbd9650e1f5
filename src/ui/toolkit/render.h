#pragma once
// Drawing helpers shared by the controls: colours, image descriptions and an
// image cache that renders SVG at the size it is drawn.
#include <QColor>
#include <QMargins>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <map>

#include "ui/toolkit/defs.h"

namespace tessel::ui {

// "#AARRGGBB", "#RRGGBB", "0xAARRGGBB" or a decimal number; 0 when unparsable.
DWORD ParseColor(const QString& text);
inline QColor ToQColor(DWORD argb) { return QColor::fromRgba(argb); }

// "l,t,r,b" (missing parts are 0).
QMargins ParseMargins(const QString& text);
QRect ParseRect(const QString& text);
bool ParseBool(const QString& text);

// An image description: either a plain relative path ("common/close.svg") or
// the attribute form "file='common/close.svg' dest='l,t,r,b' source='l,t,r,b'".
struct ImageAttributes {
  QString file;
  QRect dest;       // empty: the whole control
  QRect source;     // empty: the whole image
  bool hasDest = false;
  bool hasSource = false;
  bool empty() const { return file.isEmpty(); }
};
ImageAttributes ParseImageAttributes(const QString& text);

// Loads images below a folder and renders them at a size; thread-unsafe (UI thread only).
class ImageCache {
 public:
  static ImageCache& instance();
  // A null pixmap when the file is missing or unreadable.
  QPixmap get(const QString& absolutePath, const QSize& size, const QRect& source = QRect());
  void clear();

 private:

  std::map<QString, QPixmap> cache_;
};

}  // namespace tessel::ui
