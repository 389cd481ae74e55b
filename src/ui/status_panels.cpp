#include "ui/status_panels.h"

#include <algorithm>

#include <QFrame>
#include <QLabel>
#include <QToolButton>

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
    offer_ = new QToolButton(this);
    offer_->setObjectName(QStringLiteral("StatusOffer"));
    offer_->setAutoRaise(true);
    offer_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    offer_->hide();
    connect(offer_, &QToolButton::clicked, this, &StatusPanels::OfferClicked);
    Place();
}

void StatusPanels::SetText(int panel, const QString& text)
{
    if (panel < 0 || panel >= PanelCount)
        return;
    texts_[panel] = text;
    Fit(panel);
}

void StatusPanels::SetOffer(const QString& caption)
{
    offer_->setText(caption);
    offer_->setToolTip(caption);
    offer_->setVisible(!caption.isEmpty());
    Place();
}

void StatusPanels::Fit(int panel)
{
    QLabel* label = panels_[panel];
    const int room = label->contentsRect().width() - 2 * label->indent();
    const QString shown = label->fontMetrics().elidedText(texts_[panel], Qt::ElideRight, std::max(room, 0));
    label->setText(shown);
    label->setToolTip(shown == texts_[panel] ? QString() : texts_[panel]);
}

QString StatusPanels::Text(int panel) const
{
    return panel >= 0 && panel < PanelCount ? texts_[panel] : QString();
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
        int width = std::max(0, widths_[i]);
        if (i == 3 && !offer_->isHidden()) {
            // The offer takes the end of the panel, at most all of it.
            const int button = std::min(offer_->sizeHint().width(), width);
            offer_->setGeometry(x + width - button, 0, button, height());
            width -= button;
        }
        panels_[i]->setGeometry(x, 0, width, height());
        x += std::max(0, widths_[i]);
        Fit(i);
    }
}

}  // namespace vy
