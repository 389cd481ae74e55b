#include "ui/status_panels.h"

#include <algorithm>

#include <QFrame>
#include <QLabel>

namespace vy {

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent)
{
    for (int i = 0; i < PanelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setIndent(2);
        // File names and progress texts are data, never markup.
        label->setTextFormat(Qt::PlainText);
        const bool centred = i == 2 || i == 4;
        label->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        panels_[i] = label;
    }
    Place();
}

void StatusPanels::SetText(int panel, const QString& text)
{
    if (panel >= 0 && panel < PanelCount)
        panels_[panel]->setText(text);
}

QString StatusPanels::Text(int panel) const
{
    return panel >= 0 && panel < PanelCount ? panels_[panel]->text() : QString();
}

int StatusPanels::PanelWidth(int panel) const { return panel >= 0 && panel < PanelCount ? widths_[panel] : 0; }

QLabel* StatusPanels::Panel(int panel) const { return panel >= 0 && panel < PanelCount ? panels_[panel] : nullptr; }

void StatusPanels::SetPanel3Width(int width)
{
    if (widths_[3] == width)
        return;
    widths_[3] = width;
    Place();
}

void StatusPanels::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Place();
}

void StatusPanels::Place()
{
    // Panels stand side by side from the left; a panel wider than what is
    // left is cut at the bar's right edge.
    int x = 0;
    for (int i = 0; i < PanelCount; ++i) {
        const int width = std::max(0, widths_[i]);
        panels_[i]->setGeometry(x, 0, width, height());
        x += width;
    }
}

}  // namespace vy
