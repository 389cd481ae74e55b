#include "ui/aboutform.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <qdrawutil.h>

#include "ui/about_picture.h"

namespace vy {

namespace {

constexpr int PanelWidth = 177;
constexpr int ButtonWidth = 81;
constexpr int ButtonHeight = 25;
constexpr int BevelWidth = 1;

// A panel with a lowered outer and a raised inner bevel, one pixel each.
class BevelPanel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRect outer = rect();
        qDrawShadePanel(&p, outer, palette(), true, BevelWidth);
        qDrawShadePanel(&p, outer.adjusted(BevelWidth, BevelWidth, -BevelWidth, -BevelWidth), palette(), false,
                        BevelWidth);
    }
};

QSize LogicalSize(const QPixmap& pixmap)
{
    return pixmap.deviceIndependentSize().toSize();
}

}  // namespace

TAbout::TAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About Vy"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    setFont(font);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image"));
    // Drawn after the picture, so it lies over the picture's edge.
    m_bevel = new QFrame(this);
    m_bevel->setObjectName(QStringLiteral("Bevel"));
    m_bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_bevel->setLineWidth(1);
    m_bevel->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_panel1 = new BevelPanel(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_label1 = new QLabel(VersionText(), m_panel1);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setTextFormat(Qt::PlainText);

    m_btOK = new QPushButton(QStringLiteral("OK"), this);
    m_btOK->setObjectName(QStringLiteral("BtOK"));
    m_btOK->setDefault(true);
    connect(m_btOK, &QPushButton::clicked, this, &QDialog::accept);

    SetPicture(QPixmap());
    FormShow();
}

QString TAbout::VersionText()
{
    return QStringLiteral(
        "Vy version 3 (build 002).\n"
        "\n"
        "Copyright (C) 1998-2026\n"
        "Quillmar.\n"
        "All rights reserved.\n"
        "\n"
        "www.quillmar.example\n"
        "help@quillmar.example");
}

void TAbout::SetPicture(const QPixmap& picture)
{
    m_stockPicture = picture.isNull();
    m_picture = m_stockPicture ? AboutPicture(devicePixelRatioF()) : picture;
    m_image->setPixmap(m_picture);
}

void TAbout::FormShow()
{
    // The stock picture is drawn again for the screen the box is on now.
    if (m_stockPicture && !qFuzzyCompare(m_picture.devicePixelRatio(), devicePixelRatioF()))
        SetPicture(QPixmap());

    const QSize picture = LogicalSize(m_picture);
    const QRect image(QPoint(8, 8), picture);
    m_image->setGeometry(image);
    m_bevel->setGeometry(image);

    // Edges as the layout rules count them: right = left + width, bottom =
    // top + height.
    const int imageRight = image.x() + image.width();
    const QRect panel(imageRight + 14, 8, PanelWidth, picture.height() + 69);
    m_panel1->setGeometry(panel);
    const int inset = 2 * BevelWidth;
    m_label1->setGeometry(inset, inset, panel.width() - 2 * inset, panel.height() - 2 * inset);

    const int panelRight = panel.x() + panel.width();
    const int panelBottom = panel.y() + panel.height();
    const QRect button(panelRight - ButtonWidth, panelBottom + 15, ButtonWidth, ButtonHeight);
    m_btOK->setGeometry(button);

    m_outerSize = QSize(panelRight + 15, button.y() + button.height() + 39);
    setFixedSize(m_outerSize - QSize(OuterExtraWidth, OuterExtraHeight));
}

void TAbout::showEvent(QShowEvent* event)
{
    FormShow();
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

}  // namespace vy
