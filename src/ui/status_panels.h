#pragma once
// The main window's status bar.

#include <QString>
#include <QWidget>

class QLabel;
class QToolButton;
class QResizeEvent;

namespace vy {

// The status bar: six panels side by side at fixed widths, the fourth one
// taking what the resize rule gives it. A text longer than its panel is cut
// with "..." and shown whole in the panel's tool tip. The fourth panel may
// end in a button that offers the way out of what the last scan left out.
class StatusPanels : public QWidget {
    Q_OBJECT
public:
    static constexpr int PanelCount = 6;
    explicit StatusPanels(QWidget* parent = nullptr);

    void SetText(int panel, const QString& text);
    QString Text(int panel) const;
    int PanelWidth(int panel) const;
    void SetPanel3Width(int width);
    QLabel* Panel(int panel) const;
    // The offer's caption; empty hides the button.
    void SetOffer(const QString& caption);
    QToolButton* Offer() const { return offer_; }

signals:
    void OfferClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    void Fit(int panel);
    QLabel* panels_[PanelCount] = {};
    QString texts_[PanelCount];
    QToolButton* offer_ = nullptr;
    int widths_[PanelCount] = {100, 200, 40, 0, 30, 50};
};

}  // namespace vy
