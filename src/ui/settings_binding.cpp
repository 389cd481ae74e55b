#include "ui/report_list_view.h"
#include "ui/settings_binding.h"

#include <algorithm>

#include <QAction>
#include <QFont>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QStyle>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMargins>
#include <QSplitter>
#include <QTreeWidget>

#include "reports/report_tables.h"
#include "settings/settings.h"
#include "ui/mainform.h"
#include "ui/report_views.h"

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

QRect RestoredGeometry(const QRect& stored, const QSize& smallest, const QMargins& frame)
{
    // A damaged or hand-edited size must not make a window of gigabytes, nor
    // a position one that cannot be reached: the window with its frame is
    // held within the available area of the screen it was on (the primary
    // one if none).
    const QScreen* screen = QGuiApplication::screenAt(stored.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return stored;
    const QRect area = screen->availableGeometry();
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const int widest = std::max(1, area.width() - frameWidth);
    const int tallest = std::max(1, area.height() - frameHeight);
    const int width = std::clamp(stored.width(), std::min(smallest.width(), widest), widest);
    const int height = std::clamp(stored.height(), std::min(smallest.height(), tallest), tallest);
    const int left = std::clamp(stored.x(), area.left(), std::max(area.left(), area.right() + 1 - width - frameWidth));
    const int top = std::clamp(stored.y(), area.top(), std::max(area.top(), area.bottom() + 1 - height - frameHeight));
    return QRect(left, top, width, height);
}

QMargins FrameMargins(const QWidget& window)
{
    // Once the window system has framed the window its frame is known;
    // before, the style's title bar and border stand in for it.
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    if (frame != client)
        return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                        frame.bottom() - client.bottom());
    const int border = window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &window);
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QMargins(border, title + border, border, border);
}

QSize FirstRunSize(const TMain& window, const QSize& stored)
{
    // The first-run size was chosen for the fonts of 1998: it grows as the
    // columns do, and so that a totals line fits beside the tree.
    const double scale = ColumnScale(window.List->font());
    // Totals of the size of the demonstration folder's: hundreds of hours,
    // billions of bytes.
    const QString sample = QString::fromLatin1(TotalsLine(3599999, 9999999999, 9999999999));
    const int totals = 2 * TMain::TotalsInset + QFontMetrics(window.LabelTotal->font()).horizontalAdvance(sample);
    const int width = window.TreeWidth() + window.Splitter->handleWidth() + totals;
    return QSize(std::max(ScaledColumnWidth(stored.width(), scale), width),
                 ScaledColumnWidth(stored.height(), scale));
}

void ApplySettings(TMain& window, bool firstRun)
{
    Settings& s = ProcessSettings();
    LoadSettings(s);
    window.SetTreeWidth(s.TreeWidth);
    QSize size(s.Width, s.Height);
    if (firstRun)
        size = FirstRunSize(window, size);
    const QRect geometry =
        RestoredGeometry(QRect(QPoint(s.Left, s.Top), size), window.minimumSizeHint(), FrameMargins(window));
    window.move(geometry.topLeft());
    window.resize(geometry.size());
    window.SetToolHeight(s.ToolBar ? TMain::ToolBarHeight : 0);
    window.MenuViewTool->setChecked(s.ToolBar);
    window.SetStatusHeight(s.StatusBar ? TMain::StatusBarHeight : 0);
    window.MenuViewStatus->setChecked(s.StatusBar);
    window.MenuOptSave->setChecked(s.SaveSettingOnExit);
    // A measure out of range (hand-edited) shows time, the first.
    window.SetShownMeasure(static_cast<ChartMeasure>(s.ChartMeasure >= 0 && s.ChartMeasure <= 2 ? s.ChartMeasure : 0));
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
    s.ChartMeasure = static_cast<int>(window.ShownMeasure());
    const QFont font = window.Tree->font();
    s.FontName = font.family();
    s.FontSize = font.pointSize();
    s.FontStyle.clear();
    s.FontStyle = FontStyleText(font);
    SaveSettings(s);
}

}  // namespace vy
