#include "ui/settings_binding.h"

#include <algorithm>

#include <QAction>
#include <QFont>
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

void ApplySettings(TMain& window)
{
    Settings& s = ProcessSettings();
    LoadSettings(s);
    window.move(s.Left, window.y());
    window.move(window.x(), s.Top);
    window.resize(window.width(), s.Height);
    window.resize(s.Width, window.height());
    window.SetTreeWidth(s.TreeWidth);
    window.SetToolHeight(s.ToolBar ? TMain::ToolBarHeight : 0);
    window.MenuViewTool->setChecked(s.ToolBar);
    window.SetStatusHeight(s.StatusBar ? TMain::StatusBarHeight : 0);
    window.MenuViewStatus->setChecked(s.StatusBar);
    window.MenuOptSave->setChecked(s.SaveSettingOnExit);
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
    const QFont font = window.Tree->font();
    s.FontName = font.family();
    s.FontSize = font.pointSize();
    s.FontStyle.clear();
    s.FontStyle = FontStyleText(font);
    SaveSettings(s);
}

}  // namespace vy
