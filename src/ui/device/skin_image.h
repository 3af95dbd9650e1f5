#pragma once
// Image names of the device controls. The names the program uses end in
// ".png"; our skin draws its pictures as SVG. An image whose PNG is missing
// below the skin folder while an SVG of the same stem exists is shown from
// the SVG, so a skin may ship either.
#include <QString>

namespace tessel::ui {

// A plain path below the skin folder ("power/powered.png").
QString SkinImagePath(const QString& relative);
// An image attribute: a plain path, or "file='...' dest='...'" whose file part
// is resolved as above.
QString SkinImageAttribute(const QString& attribute);

}  // namespace tessel::ui
