// The help window: what it shows of a help file, and what it does with one
// it cannot read.

#include <QFile>
#include <QTextBrowser>

#include "ui/help_viewer.h"
#include "ui/main_window_support.h"

namespace vy::uitest {
namespace {

using HelpViewerTest = MainWindowTest;

TEST_F(HelpViewerTest, ShowsTheFileAsSingleByteHtml)
{
    const QString file = TempPath("VY.HLP");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<html><body><h2>Gr\xfc\xdf" "e</h2><p>First &amp; second</p></body></html>");
    }
    HelpViewer viewer;
    ASSERT_TRUE(viewer.Open(file));
    EXPECT_EQ(viewer.File(), file);
    const QString text = viewer.Browser()->toPlainText();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e"))) << Str(text);
    EXPECT_TRUE(text.contains("First & second")) << Str(text);
    EXPECT_FALSE(viewer.Browser()->openExternalLinks());
}

TEST_F(HelpViewerTest, AFileThatCannotBeReadChangesNothing)
{
    const QString file = TempPath("first.hlp");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<p>kept</p>");
    }
    HelpViewer viewer;
    ASSERT_TRUE(viewer.Open(file));
    EXPECT_FALSE(viewer.Open(TempPath("missing.hlp")));
    EXPECT_FALSE(viewer.Open(dir_.path()));  // a folder is no help file
    EXPECT_EQ(viewer.File(), file);
    EXPECT_TRUE(viewer.Browser()->toPlainText().contains("kept"));
}

TEST_F(HelpViewerTest, TheShippedHelpDescribesEveryMenuCommand)
{
    HelpViewer viewer;
    ASSERT_TRUE(viewer.Open(SourceDir() + "/data/VY.HLP"));
    const QString text = viewer.Browser()->toPlainText();
    for (const char* command : {"Open Folder", "Save", "Exit", "Toolbar", "Status bar", "Go!", "Users", "Date/Time",
                                "Configuration", "Font", "Save Settings on Exit", "Contents", "Demo",
                                "Quillmar Home Page", "About", "Excluded Users", "File Filter", "HTML Files", "Chart",
                                "Save Chart...", "Copy Totals", "Scan Details", "Event IDs", "Event Viewer CSV",
                                ".evtx", "XML", "PowerShell CSV", "Accounting logs"})
        EXPECT_TRUE(text.contains(QLatin1String(command))) << command;
}

}  // namespace
}  // namespace vy::uitest
