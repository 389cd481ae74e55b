#pragma once
// Shared by the main window's tests: the application object, a settings
// store inside a temporary folder, and a main window whose message boxes and
// dialogs are answered by the test instead of a person.

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include "settings/settings.h"
#include "store/stores.h"
#include "ui/mainform.h"

namespace vy::uitest {

inline void EnsureApplication()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

inline QString SourceDir() { return QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR")); }

inline std::string Str(const QString& text) { return text.toStdString(); }

struct Message {
    MessageKind Kind;
    QString Title;
    QString Text;
    MessageButtons Buttons;
};

// A main window that records what it would have asked.
class RecordingMain : public TMain {
public:
    std::vector<Message> Messages;
    std::deque<MessageResult> Answers;  // for OK/Cancel questions; OK when empty
    bool RealMessageBoxes = false;      // recorded, then shown as the program shows them

    int SaveDialogs = 0;
    std::function<bool(QString&, int&)> SaveAnswer;
    int FontDialogs = 0;
    QFont FontOffered;
    std::function<bool(QFont&, QColor&)> FontAnswer;
    std::function<bool(QString&)> ChartFileAnswer;  // Cancel when unset
    int OpenFolderShown = 0;
    std::function<void()> OpenFolderAction;
    int ConfigShown = 0;
    int AboutShown = 0;
    QStringList HelpFiles;
    QString Program;
    QStringList Arguments;
    int ProgramsStarted = 0;

    using TMain::TMain;

    std::vector<QString> Texts() const
    {
        std::vector<QString> texts;
        for (const Message& m : Messages)
            texts.push_back(m.Text);
        return texts;
    }

protected:
    MessageResult ShowMessage(MessageKind kind, const QString& title, const QString& text,
                              MessageButtons buttons) override
    {
        Messages.push_back({kind, title, text, buttons});
        if (RealMessageBoxes)
            return TMain::ShowMessage(kind, title, text, buttons);
        if (buttons == MessageButtons::Ok || Answers.empty())
            return MessageResult::Ok;
        const MessageResult answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    bool ChooseSaveFile(QString& fileName, int& filterIndex) override
    {
        ++SaveDialogs;
        // Without a scripted answer the window's own dialog runs, for the
        // test to drive.
        return SaveAnswer ? SaveAnswer(fileName, filterIndex) : TMain::ChooseSaveFile(fileName, filterIndex);
    }
    bool ChooseFont(QFont& font, QColor& color) override
    {
        ++FontDialogs;
        FontOffered = font;
        return FontAnswer ? FontAnswer(font, color) : false;
    }
    bool ChooseChartFile(QString& fileName) override { return ChartFileAnswer && ChartFileAnswer(fileName); }
    void ShowOpenFolder() override
    {
        ++OpenFolderShown;
        if (OpenFolderAction)
            OpenFolderAction();
    }
    void ShowConfig() override { ++ConfigShown; }
    void ShowAbout() override { ++AboutShown; }
    void ShowHelp(const QString& file) override
    {
        HelpFiles << file;
        TMain::ShowHelp(file);
    }
    void StartProgram(const QString& program, const QStringList& arguments) override
    {
        ++ProgramsStarted;
        Program = program;
        Arguments = arguments;
    }
};

// Every test keeps its settings store in its own temporary folder and starts
// from an empty settings record and empty stores.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        ASSERT_TRUE(dir_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, ConfigDir());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ConfigDir());
        ProcessSettings() = Settings{};
        ClearStores(ProcessStores());
        SetApplicationTitle(QStringLiteral("Vy 3"));
    }

    QString ConfigDir() const { return dir_.path() + QStringLiteral("/config"); }
    QString IniFile() const { return ConfigDir() + QStringLiteral("/Quillmar/Vy.ini"); }
    QString TempPath(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }

    QVariant Stored(const QString& key) const
    {
        QSettings ini(IniFile(), QSettings::IniFormat);
        return ini.value(key);
    }

    // Runs the event loop until done() holds or the time is up.
    static bool WaitFor(const std::function<bool()>& done, int milliseconds = 20000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > milliseconds)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
        return true;
    }

    // A window after its creation steps, with the demonstration logs found
    // under the sources' data folder.
    std::unique_ptr<RecordingMain> NewWindow()
    {
        auto window = std::make_unique<RecordingMain>();
        window->FormCreate();
        ProcessSettings().InstallDir = SourceDir() + QStringLiteral("/data");
        return window;
    }

    // Scans folder over October 1998 and waits for the end.
    static void ScanOctober1998(RecordingMain& window, const QString& folder)
    {
        ProcessSettings().LogDir = folder;
        window.DateEdit1->setDate(QDate(1998, 10, 1));
        window.DateEdit2->setDate(QDate(1998, 10, 31));
        window.BtGoClick();
        ASSERT_TRUE(WaitFor([&] { return !window.TaskRunning(); }));
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir_;
};

}  // namespace vy::uitest
