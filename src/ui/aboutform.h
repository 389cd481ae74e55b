#pragma once
// The About box: the product picture, the version, the notice and contact
// lines. Its layout follows from the picture's size.

#include <QDialog>
#include <QPixmap>

class QFrame;
class QLabel;
class QPushButton;

namespace vy {

class TAbout : public QDialog {
    Q_OBJECT
public:
    explicit TAbout(QWidget* parent);

    // The version text, one entry a line.
    static QString VersionText();

    // Frame widths of a classic dialog window: 3 pixels on each side and a
    // 19 pixel caption. The box's outer sizes are those of such a window;
    // its client area is the outer size less these, and the window manager
    // then draws its own frame around that client area.
    static constexpr int OuterExtraWidth = 6;
    static constexpr int OuterExtraHeight = 25;

    // Another picture re-flows the box at the next showing. A null pixmap
    // brings back the stock picture.
    void SetPicture(const QPixmap& picture);
    QPixmap Picture() const { return m_picture; }

    QLabel* Image() const { return m_image; }
    QFrame* Bevel() const { return m_bevel; }
    QFrame* Panel1() const { return m_panel1; }
    QLabel* Label1() const { return m_label1; }
    QPushButton* BtOK() const { return m_btOK; }

    // The outer size the layout asked for; the client size is this less
    // OuterExtraWidth x OuterExtraHeight.
    QSize OuterSize() const { return m_outerSize; }

    // Lays the box out from the picture's size; runs on every showing.
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPixmap m_picture;
    bool m_stockPicture = true;
    QLabel* m_image = nullptr;
    QFrame* m_bevel = nullptr;
    QFrame* m_panel1 = nullptr;
    QLabel* m_label1 = nullptr;
    QPushButton* m_btOK = nullptr;
    QSize m_outerSize;
};

}  // namespace vy
