#pragma once
// The product picture of the About box, drawn in code so it stays crisp at
// any pixel ratio.

#include <QPixmap>

namespace vy {

// Logical size of the picture.
inline constexpr int AboutPictureWidth = 234;
inline constexpr int AboutPictureHeight = 100;

// The picture at the given device pixel ratio: AboutPictureWidth x
// AboutPictureHeight logical pixels, drawn at that many times the pixels.
QPixmap AboutPicture(qreal devicePixelRatio);

}  // namespace vy
