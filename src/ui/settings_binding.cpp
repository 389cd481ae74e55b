#include "ui/settings_binding.h"

#include <algorithm>

#include <QAction>
#include <QFont>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>

#include "settings/settings.h"
#include "ui/mainform.h"

namespace vy {

QString FontStyleText(const QFont& font)
{
    if (font.underline() || font.strikeOut())
        return QString();
    if (font.bold() && font.italic())
        return QStringLiteral("BI");
    if (font.bold())
        return QStringLiteral("B");
    if (font.italic())
        return QStringLiteral("I");
    return QString();
}

void ApplyFontStyle(QFont& font, const QString& style)
{
    auto exactly = [&font](bool bold, bool italic) {
        font.setBold(bold);
        font.setItalic(italic);
        font.setUnderline(false);
        font.setStrikeOut(false);
    };
    if (style == QLatin1String("B"))
        exactly(true, false);
    else if (style == QLatin1String("I"))
        exactly(false, true);
    else if (style == QLatin1String("BI"))
        exactly(true, true);
}

namespace {

void ApplyReportFont(QWidget& widget, const Settings& s)
{
    QFont font = widget.font();
    font.setFamily(s.FontName);
    // A size the font system cannot take (0 or less) keeps the present one;
    // a hand-edited size far beyond any screen is held at the largest sane one.
    constexpr int largestSize = 999;
    if (s.FontSize > 0)
        font.setPointSize(std::min(s.FontSize, largestSize));
    ApplyFontStyle(font, s.FontStyle);
    widget.setFont(font);
}

}  // namespace

QRect RestoredGeometry(const QRect& stored, const QSize& smallest)
{
    // A damaged or hand-edited size must not make a window of gigabytes, nor
    // a position one that cannot be reached: the window is held within the
    // available area of the screen it was on (the primary one if none).
    const QScreen* screen = QGuiApplication::screenAt(stored.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return stored;
    const QRect area = screen->availableGeometry();
    const int width = std::clamp(stored.width(), std::min(smallest.width(), area.width()), area.width());
    const int height = std::clamp(stored.height(), std::min(smallest.height(), area.height()), area.height());
    const int left = std::clamp(stored.x(), area.left(), area.left() + area.width() - width);
    const int top = std::clamp(stored.y(), area.top(), area.top() + area.height() - height);
    return QRect(left, top, width, height);
}

void ApplySettings(TMain& window)
{
    Settings& s = ProcessSettings();
    LoadSettings(s);
    const QRect geometry = RestoredGeometry(QRect(s.Left, s.Top, s.Width, s.Height), window.minimumSizeHint());
    window.move(geometry.topLeft());
    window.resize(geometry.size());
    window.SetTreeWidth(s.TreeWidth);
    window.SetToolHeight(s.ToolBar ? TMain::ToolBarHeight : 0);
    window.MenuViewTool->setChecked(s.ToolBar);
    window.SetStatusHeight(s.StatusBar ? TMain::StatusBarHeight : 0);
    window.MenuViewStatus->setChecked(s.StatusBar);
    window.MenuOptSave->setChecked(s.SaveSettingOnExit);
    window.SetChartShown(s.Chart);
    ApplyReportFont(*window.Tree, s);
    ApplyReportFont(*window.List, s);
}

void CollectSettings(TMain& window)
{
    Settings& s = ProcessSettings();
    s.Top = window.y();
    s.Left = window.x();
    s.Height = window.height();
    s.Width = window.width();
    s.TreeWidth = window.TreeWidth();
    s.ToolBar = window.ToolHeight() != 0;
    s.StatusBar = window.StatusHeight() != 0;
    s.SaveSettingOnExit = window.MenuOptSave->isChecked();
    s.Chart = window.ChartShown();
    const QFont font = window.Tree->font();
    s.FontName = font.family();
    s.FontSize = font.pointSize();
    s.FontStyle.clear();
    s.FontStyle = FontStyleText(font);
    SaveSettings(s);
}

}  // namespace vy
