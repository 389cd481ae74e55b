#pragma once
// The main window's binding to the settings record: applying the loaded
// values at start, collecting the window's state at the end.

#include <QMargins>
#include <QString>

class QFont;
class QRect;
class QSize;
class QWidget;

namespace vy {

class TMain;

// LoadSettings, then geometry, tree width, bars, the save-on-exit check and
// the tree and list font. On a first run (the defaults just written) the
// size grows to fit the window's fonts. Throws SettingsError from the load.
void ApplySettings(TMain& window, bool firstRun = false);

// A stored window position (of the frame) and size (of the client area)
// held, with a frame of the given margins around the client area, within the
// available area of its screen: no larger than that area (nor smaller than
// smallest where it fits), and moved so that all of it lies there.
QRect RestoredGeometry(const QRect& stored, const QSize& smallest, const QMargins& frame = {});

// The margins of the window's frame around its client area: the window
// system's once it has framed the window, the style's guess before.
QMargins FrameMargins(const QWidget& window);

// The window's state into the record, then SaveSettings. Throws SettingsError.
void CollectSettings(TMain& window);

// The stored style of a font by exact comparison of its whole style set:
// "B", "I", "BI", or empty for anything else (regular, underline, strike-out).
QString FontStyleText(const QFont& font);

// Sets exactly the style that "B", "I" or "BI" names; any other text leaves
// the font as it is.
void ApplyFontStyle(QFont& font, const QString& style);

}  // namespace vy
