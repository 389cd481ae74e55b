#pragma once
// What the rooms of the main window share: the texts more than one of them
// writes, and the making of its named plain-text labels and lines.

#include <cstdlib>

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace vy::mainparts {

inline const QString TitlePrefix = QStringLiteral("Vy 3 - ");
inline const QString GoCaption = QStringLiteral("Go!");
inline const QString StopCaption = QStringLiteral("Stop");

inline QLabel* NamedLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    // Texts from logs, file names and settings are data, never markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

inline QFrame* Line(const char* name, QWidget* parent, QFrame::Shadow shadow)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameStyle(QFrame::HLine | shadow);
    return line;
}

// The colour wanted where it stands out from the palette's window colour
// (light themes), else the palette's own text colour (dark themes).
inline QColor Legible(const QColor& wanted, const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    constexpr int enough = 96;  // of 255 in lightness
    return std::abs(wanted.lightness() - window.lightness()) >= enough ? wanted
                                                                         : palette.color(QPalette::WindowText);
}

inline void SetTextColor(QWidget& widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget.palette();
    palette.setColor(role, color);
    widget.setPalette(palette);
}

}  // namespace vy::mainparts
