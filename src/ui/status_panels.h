#pragma once
// The main window's status bar.

#include <QString>
#include <QWidget>

class QLabel;
class QResizeEvent;

namespace vy {

// The status bar: six panels side by side at fixed widths, the fourth one
// taking what the resize rule gives it.
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

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    QLabel* panels_[PanelCount] = {};
    int widths_[PanelCount] = {100, 200, 40, 0, 30, 50};
};

}  // namespace vy
