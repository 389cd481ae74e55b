#pragma once
// What the rooms of the main window share: the texts more than one of them
// writes, and the making of its named plain-text labels and lines.

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

inline void SetTextColor(QWidget& widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget.palette();
    palette.setColor(role, color);
    widget.setPalette(palette);
}

}  // namespace vy::mainparts
