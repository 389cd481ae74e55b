#pragma once
// The program's own pictures, drawn with QPainter at whatever size and
// device pixel ratio is asked for, so they stay crisp on any screen.

#include <QIcon>

namespace vy {

// ImgTool: 0 open folder, 1 save, 2 help.
constexpr int ToolImageCount = 3;
QIcon ToolImage(int index);

// ImgTree: 0 connection, 1 domain, 2 user, 3 server, 4 port, 5 speed,
// 6 year, 7 month, 8 day (the node kinds of the report tree).
constexpr int TreeImageCount = 9;
QIcon TreeImage(int index);

QIcon WindowImage();

}  // namespace vy
