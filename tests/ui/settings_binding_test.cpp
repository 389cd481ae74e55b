// The window's binding to the stored settings: what ApplySettings puts on
// the window, what CollectSettings takes back, and the font style rule.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>

#include "ui/main_window_support.h"
#include "ui/report_chart.h"
#include "ui/report_list_view.h"
#include "ui/settings_binding.h"

namespace vy::uitest {
namespace {

using SettingsBindingTest = MainWindowTest;

TEST(FontStyleTextTest, OnlyTheExactStyleSetsHaveAName)
{
    QFont font(QStringLiteral("Nimbus Sans"), 9);
    EXPECT_EQ(Str(FontStyleText(font)), "");
    font.setBold(true);
    EXPECT_EQ(Str(FontStyleText(font)), "B");
    font.setItalic(true);
    EXPECT_EQ(Str(FontStyleText(font)), "BI");
    font.setBold(false);
    EXPECT_EQ(Str(FontStyleText(font)), "I");
    font.setUnderline(true);
    EXPECT_EQ(Str(FontStyleText(font)), "");
    font.setUnderline(false);
    font.setStrikeOut(true);
    EXPECT_EQ(Str(FontStyleText(font)), "");
}

TEST(FontStyleTextTest, OnlyExactNamesApplyAStyle)
{
    QFont font(QStringLiteral("Nimbus Sans"), 9);
    font.setUnderline(true);
    ApplyFontStyle(font, QStringLiteral("BI"));
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_FALSE(font.underline());
    ApplyFontStyle(font, QStringLiteral("B"));
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    ApplyFontStyle(font, QStringLiteral("I"));
    EXPECT_FALSE(font.bold());
    EXPECT_TRUE(font.italic());
    // Lower case and anything else leave the font as it is.
    for (const char* other : {"bi", "b", "IB", "U", " B", ""}) {
        QFont kept = font;
        ApplyFontStyle(kept, QLatin1String(other));
        EXPECT_EQ(kept, font) << other;
    }
}

TEST_F(SettingsBindingTest, AppliesStoredGeometryBarsCheckAndFont)
{
    {
        RecordingMain first;
        first.FormCreate();  // writes the first-run values
    }
    {
        QSettings ini(IniFile(), QSettings::IniFormat);
        ini.setValue("Window/Top", 70);
        ini.setValue("Window/Left", 90);
        ini.setValue("Window/Width", 700);
        ini.setValue("Window/Height", 480);
        ini.setValue("Window/TreeWidth", 210);
        ini.setValue("Window/ToolBar", 0);
        ini.setValue("Window/StatusBar", 0);
        ini.setValue("Main/SaveSettingOnExit", 0);
        ini.setValue("Window/FontName", "Nimbus Sans");
        ini.setValue("Window/FontSize", 12);
        ini.setValue("Window/FontStyle", "BI");
    }
    RecordingMain w;
    ApplySettings(w);
    EXPECT_EQ(w.pos(), QPoint(90, 70));
    EXPECT_EQ(w.size(), QSize(700, 480));
    EXPECT_EQ(w.TreeWidth(), 210);
    EXPECT_EQ(w.ToolHeight(), 0);
    EXPECT_FALSE(w.MenuViewTool->isChecked());
    EXPECT_EQ(w.StatusHeight(), 0);
    EXPECT_FALSE(w.MenuViewStatus->isChecked());
    EXPECT_FALSE(w.MenuOptSave->isChecked());
    for (QWidget* view : {static_cast<QWidget*>(w.Tree), static_cast<QWidget*>(w.List)}) {
        EXPECT_EQ(Str(view->font().family()), "Nimbus Sans");
        EXPECT_EQ(view->font().pointSize(), 12);
        EXPECT_TRUE(view->font().bold());
        EXPECT_TRUE(view->font().italic());
    }
    // The status bar keeps the window's font at start.
    EXPECT_FALSE(w.Status->font().bold());

    w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.TreeWidth(), 210);
    EXPECT_EQ(w.Tool->height(), 0);
    EXPECT_EQ(w.Status->height(), 0);
}

TEST_F(SettingsBindingTest, LowerCaseStyleAppliesNothingAndIsStoredEmpty)
{
    {
        RecordingMain first;
        first.FormCreate();
    }
    {
        QSettings ini(IniFile(), QSettings::IniFormat);
        ini.setValue("Window/FontStyle", "bi");
    }
    RecordingMain w;
    ApplySettings(w);
    EXPECT_FALSE(w.Tree->font().bold());
    EXPECT_FALSE(w.Tree->font().italic());
    CollectSettings(w);
    EXPECT_EQ(Str(Stored("Window/FontStyle").toString()), "");
}

TEST_F(SettingsBindingTest, CollectTakesTheWindowsStateAndSaves)
{
    RecordingMain w;
    w.FormCreate();
    w.show();
    w.move(33, 44);
    w.resize(612, 423);
    QCoreApplication::processEvents();
    w.SetTreeWidth(177);
    QCoreApplication::processEvents();
    w.MenuViewStatusClick();
    EXPECT_FALSE(w.ChartShown());  // off on a first run
    w.MenuViewChart->trigger();
    w.Chart->MeasureBox()->setCurrentIndex(2);
    QFont font(QStringLiteral("Nimbus Sans"), 10);
    font.setItalic(true);
    w.Tree->setFont(font);

    CollectSettings(w);
    const Settings& s = ProcessSettings();
    EXPECT_EQ(s.Left, w.x());
    EXPECT_EQ(s.Top, w.y());
    EXPECT_EQ(s.Width, 612);
    EXPECT_EQ(s.Height, 423);
    EXPECT_EQ(s.TreeWidth, 177);
    EXPECT_TRUE(s.ToolBar);
    EXPECT_FALSE(s.StatusBar);
    EXPECT_TRUE(s.SaveSettingOnExit);
    EXPECT_EQ(Str(s.FontName), "Nimbus Sans");
    EXPECT_EQ(s.FontSize, 10);
    EXPECT_EQ(Str(s.FontStyle), "I");
    EXPECT_EQ(Stored("Window/Width").toInt(), 612);
    EXPECT_EQ(Stored("Window/TreeWidth").toInt(), 177);
    EXPECT_EQ(Stored("Window/StatusBar").toInt(), 0);
    EXPECT_EQ(Str(Stored("Window/FontStyle").toString()), "I");
    EXPECT_EQ(Stored("Window/Chart").toInt(), 1);
    EXPECT_EQ(Stored("Window/ChartMeasure").toInt(), 2);

    // And the next window comes back the same.
    RecordingMain next;
    ApplySettings(next);
    EXPECT_EQ(next.size(), QSize(612, 423));
    EXPECT_EQ(next.TreeWidth(), 177);
    EXPECT_EQ(next.StatusHeight(), 0);
    EXPECT_TRUE(next.Tree->font().italic());
    EXPECT_EQ(next.Tree->font().pointSize(), 10);
    EXPECT_TRUE(next.ChartShown());
    ASSERT_NE(next.Chart, nullptr);
    EXPECT_FALSE(next.Chart->isHidden());
    EXPECT_EQ(next.Chart->Measure(), ChartMeasure::Receive);
}

TEST_F(SettingsBindingTest, UnderlinedFontIsStoredWithoutStyle)
{
    RecordingMain w;
    w.FormCreate();
    QFont font(QStringLiteral("Nimbus Sans"), 10);
    font.setBold(true);
    font.setUnderline(true);
    w.Tree->setFont(font);
    CollectSettings(w);
    EXPECT_EQ(Str(Stored("Window/FontStyle").toString()), "");
    RecordingMain next;
    ApplySettings(next);
    EXPECT_EQ(Str(next.Tree->font().family()), "Nimbus Sans");
    EXPECT_FALSE(next.Tree->font().bold());
    EXPECT_FALSE(next.Tree->font().underline());
}

TEST_F(SettingsBindingTest, HandEditedExtremesAreAppliedWithoutHarm)
{
    {
        RecordingMain first;
        first.FormCreate();
    }
    {
        QSettings ini(IniFile(), QSettings::IniFormat);
        ini.setValue("Window/TreeWidth", 2147483647);
        ini.setValue("Window/Width", 2147483647);
        ini.setValue("Window/Height", 0);
        ini.setValue("Window/Top", -2147483647);
        ini.setValue("Window/FontSize", 2000000);
        ini.setValue("Window/FontStyle", "B");
    }
    RecordingMain w;
    ApplySettings(w);
    // The window is held within the screen's available area, with its frame.
    const QRect area = w.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(QRect(w.pos(), w.size()))) << w.x() << "," << w.y() << " " << w.width() << "x"
                                                          << w.height();
    const QMargins frame(4, 30, 4, 4);
    const QRect framed = RestoredGeometry(QRect(0, 20, 99999, 99999), QSize(100, 100), frame);
    EXPECT_TRUE(area.contains(QRect(framed.topLeft(), framed.size().grownBy(frame))));
    EXPECT_GT(w.height(), 0);
    EXPECT_EQ(w.Tree->font().pointSize(), 999);
    EXPECT_TRUE(w.Tree->font().bold());
    w.show();
    w.resize(500, 300);
    QCoreApplication::processEvents();
    // The tree takes what there is; the list keeps room for two columns of
    // a table and the tree for a name.
    EXPECT_LE(w.Tree->width(), w.Splitter->width());
    w.FontAnswer = [](QFont& font, QColor&) {
        font = QFont(QStringLiteral("DejaVu Sans"), 8);
        return true;
    };
    w.MenuOptFontClick();
    ProcessSettings().InstallDir = SourceDir() + QStringLiteral("/data");
    w.MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w.TaskRunning(); }));
    QCoreApplication::processEvents();
    EXPECT_GE(w.List->viewport()->width(), w.List->header()->sectionSize(0) + w.List->header()->sectionSize(1));
    EXPECT_GE(w.Tree->viewport()->width(),
              w.Tree->indentation() + w.Tree->fontMetrics().horizontalAdvance(w.Tree->topLevelItem(0)->text(0)));
    // The stored values change only when the window's state is saved.
    EXPECT_EQ(Stored("Window/Width").toLongLong(), 2147483647);
    CollectSettings(w);
    EXPECT_EQ(Stored("Window/Width").toInt(), w.width());
    {
        QSettings ini(IniFile(), QSettings::IniFormat);
        ini.setValue("Window/FontSize", 0);
        ini.setValue("Window/FontStyle", "");
    }
    RecordingMain zero;
    const int before = zero.Tree->font().pointSize();
    ApplySettings(zero);
    EXPECT_EQ(zero.Tree->font().pointSize(), before);
}

TEST_F(SettingsBindingTest, MissingValueStopsTheLoadWithItsName)
{
    {
        RecordingMain first;
        first.FormCreate();
    }
    {
        QSettings ini(IniFile(), QSettings::IniFormat);
        ini.remove("Window/Height");
        ini.setValue("Window/TreeWidth", 250);
    }
    RecordingMain w;
    const QSize before = w.size();
    try {
        ApplySettings(w);
        FAIL() << "no error";
    } catch (const SettingsError& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to get data for 'Height'");
    }
    // Nothing was applied to the window.
    EXPECT_EQ(w.size(), before);
    EXPECT_NE(w.TreeWidth(), 250);
}

}  // namespace
}  // namespace vy::uitest
