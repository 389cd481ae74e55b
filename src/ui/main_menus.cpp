// The menu bar, and the commands that belong to the window itself: folder,
// exit, configuration, font, help, demo, home page and about.

#include "ui/mainform.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QMenuBar>
#include <QProcess>
#include <QTreeWidget>

#include "settings/settings.h"
#include "ui/images.h"
#include "ui/main_parts.h"
#include "ui/report_list_view.h"
#include "ui/report_views.h"
#include "ui/settings_binding.h"

namespace vy {

using namespace mainparts;

namespace {

const QString kHomePage = QStringLiteral("http://www.quillmar.example/vy");

struct MenuOfBar {
    QMenu* TMain::*Menu;
    const char* Name;
    const char* Caption;
};

const MenuOfBar kMenus[] = {
    {&TMain::MenuFile, "MenuFile", "&File"},     {&TMain::MenuView, "MenuView", "&View"},
    {&TMain::MenuRpt, "MenuRpt", "&Report"},     {&TMain::MenuOpt, "MenuOpt", "&Options"},
    {&TMain::MenuHelp, "MenuHelp", "&?"},
};

enum Check { NoCheck, Unchecked, Checked };

struct MenuEntry {
    int Menu;                  // index into kMenus
    QAction* TMain::*Action;   // nullptr: a separator line
    const char* Name;
    const char* Caption;
    QKeyCombination Shortcut;  // kNone: none
    int Image;                 // of the toolbar's images; -1 none
    Check Mark;                // whether, and how, it starts checked
    void (TMain::*Handler)();
};

constexpr QKeyCombination kNone = QKeyCombination::fromCombined(0);

const MenuEntry kEntries[] = {
    {0, &TMain::MenuFileOpen, "MenuFileOpen", "&Open Folder", Qt::CTRL | Qt::Key_O, 0, NoCheck,
     &TMain::MenuFileOpenClick},
    {0, &TMain::MenuFileSave, "MenuFileSave", "&Save", Qt::CTRL | Qt::Key_S, 1, NoCheck, &TMain::MenuFileSaveClick},
    {0, nullptr, nullptr, nullptr, kNone, -1, NoCheck, nullptr},
    {0, &TMain::MenuFileExit, "MenuFileExit", "E&xit", Qt::ALT | Qt::Key_F4, -1, NoCheck, &TMain::MenuFileExitClick},
    {1, &TMain::MenuViewTool, "MenuViewTool", "&Toolbar", kNone, -1, Checked, &TMain::MenuViewToolClick},
    {1, &TMain::MenuViewStatus, "MenuViewStatus", "&Status bar", kNone, -1, Checked, &TMain::MenuViewStatusClick},
    {1, &TMain::MenuViewChart, "MenuViewChart", "&Chart", kNone, -1, Unchecked, &TMain::MenuViewChartClick},
    {1, &TMain::MenuViewDetails, "MenuViewDetails", "Scan &Details\u2026", kNone, -1, NoCheck,
     &TMain::MenuViewDetailsClick},
    {2, &TMain::MenuRptGo, "MenuRptGo", "Go!", Qt::Key_F9, -1, NoCheck, &TMain::MenuRptGoClick},
    {2, nullptr, nullptr, nullptr, kNone, -1, NoCheck, nullptr},
    {2, &TMain::MenuRptUsers, "MenuRptUsers", "&Users", kNone, -1, Checked, &TMain::MenuRptUsersClick},
    {2, &TMain::MenuRptDate, "MenuRptDate", "&Date/Time", kNone, -1, Unchecked, &TMain::MenuRptDateClick},
    {3, &TMain::MenuOptCfg, "MenuOptCfg", "&Configuration", kNone, -1, NoCheck, &TMain::MenuOptCfgClick},
    {3, &TMain::MenuOptFont, "MenuOptFont", "&Font", kNone, -1, NoCheck, &TMain::MenuOptFontClick},
    {3, nullptr, nullptr, nullptr, kNone, -1, NoCheck, nullptr},
    {3, &TMain::MenuOptSave, "MenuOptSave", "&Save Settings on Exit", kNone, -1, Checked, &TMain::MenuOptSaveClick},
    {4, &TMain::MenuHelpContents, "MenuHelpContents", "&Contents", Qt::Key_F1, 2, NoCheck,
     &TMain::MenuHelpContentsClick},
    {4, &TMain::MenuHelpDemo, "MenuHelpDemo", "&Demo", kNone, -1, NoCheck, &TMain::MenuHelpDemoClick},
    {4, &TMain::MenuHelpHomePage, "MenuHelpHomePage", "Quillmar Home &Page", kNone, -1, NoCheck,
     &TMain::MenuHelpHomePageClick},
    {4, nullptr, nullptr, nullptr, kNone, -1, NoCheck, nullptr},
    {4, &TMain::MenuHelpAbout, "MenuHelpAbout", "&About...", kNone, -1, NoCheck, &TMain::MenuHelpAboutClick},
};

}  // namespace

void TMain::BuildMenus()
{
    for (const MenuOfBar& m : kMenus) {
        QMenu* menu = menuBar()->addMenu(QLatin1String(m.Caption));
        menu->setObjectName(QLatin1String(m.Name));
        this->*m.Menu = menu;
    }
    for (const MenuEntry& e : kEntries) {
        QMenu* menu = this->*kMenus[e.Menu].Menu;
        if (!e.Action) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(QString::fromUtf8(e.Caption));
        a->setObjectName(QLatin1String(e.Name));
        this->*e.Action = a;
        if (e.Image >= 0)
            a->setIcon(ToolImage(e.Image));
        if (e.Shortcut.toCombined() != 0) {
            a->setShortcut(QKeySequence(e.Shortcut));
            // Shortcuts work whichever control has the focus.
            a->setShortcutContext(Qt::WindowShortcut);
            addAction(a);
        }
        const auto handler = e.Handler;
        if (e.Mark == NoCheck) {
            connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
            continue;
        }
        // A checkable entry's handler decides the check mark itself, as for
        // a direct call, so the toolkit's own flip is undone first.
        a->setCheckable(true);
        a->setChecked(e.Mark == Checked);
        connect(a, &QAction::triggered, this, [this, a, handler](bool now) {
            a->setChecked(!now);
            (this->*handler)();
        });
    }
    // F5 starts a scan or stops the running one, as the Go button does.
    GoOrStop = new QAction(QStringLiteral("Go/Stop"), this);
    GoOrStop->setObjectName(QStringLiteral("GoOrStop"));
    GoOrStop->setShortcut(QKeySequence(Qt::Key_F5));
    GoOrStop->setShortcutContext(Qt::WindowShortcut);
    connect(GoOrStop, &QAction::triggered, this, &TMain::BtGoClick);
    addAction(GoOrStop);
}

// ---- commands of the window

void TMain::MenuFileOpenClick()
{
    if (ScanRunning())
        return;
    const QString before = ProcessSettings().LogDir;
    ShowOpenFolder();
    // Also after Cancel: "Set Default" may have changed the folder.
    SetTitles(true);
    if (ProcessSettings().LogDir != before)
        RememberFolder(ProcessSettings().LogDir);
}

void TMain::ToolOpenClick() { MenuFileOpenClick(); }

void TMain::MenuFileExitClick()
{
    if (ScanRunning()) {
        ShowMessage(MessageKind::Warning, QStringLiteral("Warning"), QStringLiteral("Stop the process before exit"));
        return;
    }
    close();
}

void TMain::MenuOptCfgClick()
{
    if (ScanRunning())
        return;
    ShowConfig();
    // The dialog may have changed the language the next scan reads.
    Status->SetText(4, ProcessSettings().LogLanguage);
}

void TMain::MenuOptFontClick()
{
    if (ScanRunning())
        return;
    QFont font = lastFont_;
    QColor color = statusColor_;
    if (!ChooseFont(font, color))
        return;
    lastFont_ = font;
    Tree->setFont(font);
    Tree->viewport()->update();
    List->setFont(font);
    KeepPanesUsable();
    ApplyColumnWidths(*List, *listModel_);
    List->viewport()->update();
    Status->setFont(font);
    statusColor_ = color;
    SetTextColor(*Status, QPalette::WindowText, color);
    Settings& s = ProcessSettings();
    s.FontName = font.family();
    s.FontSize = font.pointSize();
    s.FontStyle = FontStyleText(font);
}

void TMain::MenuOptSaveClick() { MenuOptSave->setChecked(!MenuOptSave->isChecked()); }

void TMain::MenuHelpContentsClick()
{
    const QString file = ProcessSettings().InstallDir + QDir::separator() + QStringLiteral("VY.HLP");
    // A missing help file opens nothing and says nothing.
    if (!QFileInfo(file).isFile())
        return;
    ShowHelp(file);
}

void TMain::MenuHelpDemoClick()
{
    if (ScanRunning())
        return;
    DateEdit1->setDate(QDate(1998, 10, 1));
    DateEdit2->setDate(QDate(1998, 10, 31));
    Settings& s = ProcessSettings();
    s.LogDir = DemoLogDir(s.InstallDir);
    setWindowTitle(TitlePrefix + s.LogDir);
    s.LogLanguage = QStringLiteral("EN");
    Status->SetText(4, s.LogLanguage);
    s.NEvent = QStringLiteral("20050");
    StartScan(true);
}

void TMain::MenuHelpHomePageClick()
{
    const QString command = ProcessSettings().BrowserCommand;
    if (command.isEmpty()) {
        ShowError(QStringLiteral("Browser not found"));
        return;
    }
    QStringList parts = QProcess::splitCommand(command + QLatin1Char(' ') + kHomePage);
    if (parts.isEmpty())
        return;
    const QString program = parts.takeFirst();
    StartProgram(program, parts);
}

void TMain::MenuHelpAboutClick() { ShowAbout(); }

void TMain::MenuViewToolClick()
{
    const bool shown = !MenuViewTool->isChecked();
    MenuViewTool->setChecked(shown);
    SetToolHeight(shown ? ToolBarHeight : 0);
    centralWidget()->layout()->activate();
    FormResize();
}

void TMain::MenuViewStatusClick()
{
    const bool shown = !MenuViewStatus->isChecked();
    MenuViewStatus->setChecked(shown);
    SetStatusHeight(shown ? StatusBarHeight : 0);
    centralWidget()->layout()->activate();
    FormResize();
}

}  // namespace vy
