// The Configuration, Open Folder and About dialogs, driven headless: what
// each shows, what OK, Cancel and Set Default do to the settings record and
// the store, and the About box's layout from its picture.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QTest>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

#include "settings/settings.h"
#include "ui/about_picture.h"
#include "ui/aboutform.h"
#include "ui/configform.h"
#include "ui/openform.h"

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace vy {
namespace {

void EnsureApplication()
{
    if (QApplication::instance())
        return;
    // Never a real display, even when the runner did not say so.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// Every dialog test keeps the settings store inside its own temporary folder.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path() + "/config");
    }

    QString MakeFolder(const QString& name)
    {
        const QString path = m_dir.path() + "/" + name;
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }

    QString MakeFile(const QString& name)
    {
        const QString path = m_dir.path() + "/" + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        return path;
    }

    static QString StoredLogDir()
    {
        QSettings stored(QSettings::IniFormat, QSettings::UserScope, "Quillmar", "Vy");
        return stored.value("Main/LogDir").toString();
    }

    static void PressEnter(QWidget* target)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
    }

    QTemporaryDir m_dir;
};

// ---- Configuration ----

Settings ConfigRecord()
{
    Settings s;
    s.ExcludedUsers = "guest;test";
    s.ExcludedDomains = "LAB";
    s.ExcludedPorts = "COM3";
    s.CheckLogFiles = true;
    s.FileFilter = "*.log";
    s.LogLanguage = "DE";
    return s;
}

using ConfigDialog = DialogTest;

TEST_F(ConfigDialog, HasItsTitleSizeTabsAndCaptions)
{
    Settings settings;
    TConfig dialog(settings, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Configuration");
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.font().pixelSize(), 13);
    EXPECT_EQ(dialog.font().family(), "MS Sans Serif");
    ASSERT_EQ(dialog.PageControl()->count(), 2);
    EXPECT_EQ(dialog.PageControl()->tabText(0), "General");
    EXPECT_EQ(dialog.PageControl()->tabText(1), "Excluded Ranges");
    EXPECT_EQ(dialog.SelectLogLang()->title(), "Log Language");
    EXPECT_EQ(dialog.LangButton(0)->text(), "&English");
    EXPECT_EQ(dialog.LangButton(1)->text(), "&Germany");
    EXPECT_EQ(dialog.ChkLogFiles()->text(), "&Check Information from Log Files");
    EXPECT_EQ(dialog.BtOK()->text(), "OK");
    EXPECT_EQ(dialog.BtCancel()->text(), "Cancel");
    EXPECT_TRUE(dialog.BtOK()->isDefault());
    for (const QWidget* control : dialog.findChildren<QWidget*>()) {
        if (control->parentWidget() == &dialog) {
            EXPECT_TRUE(dialog.rect().contains(control->geometry())) << control->objectName().toStdString();
        }
    }
}

TEST_F(ConfigDialog, EveryCaptionFitsItsControl)
{
    Settings settings;
    TConfig dialog(settings, nullptr);
    dialog.show();
    dialog.EditEvents()->setText("20050;2004x;20272");  // the longest note
    for (int page = 0; page < 2; ++page) {
        dialog.PageControl()->setCurrentIndex(page);
        for (const QLabel* label : dialog.PageControl()->widget(page)->findChildren<QLabel*>()) {
            EXPECT_EQ(label->font().pixelSize(), 13);
            if (label->wordWrap())
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << label->text().toStdString();
            else
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                    << label->text().toStdString();
        }
    }
    const QWidget* check = dialog.ChkLogFiles();
    EXPECT_LE(check->sizeHint().width(), check->width());
}

TEST_F(ConfigDialog, TabOrderRunsThroughBothPagesThenTheButtons)
{
    Settings settings;
    TConfig dialog(settings, nullptr);
    const std::vector<QWidget*> expected = {dialog.LangButton(0), dialog.LangButton(1), dialog.EditFileFilter(),
                                            dialog.EditEvents(),   dialog.ChkLogFiles(),  dialog.EditExDmn(),    dialog.EditExUsers(),
                                            dialog.EditExPorts(),  dialog.BtOK(),         dialog.BtCancel()};
    for (size_t i = 0; i + 1 < expected.size(); ++i)
        EXPECT_EQ(expected[i]->nextInFocusChain(), expected[i + 1]) << i;
}

TEST_F(ConfigDialog, ShowingFillsEveryControlFromTheRecord)
{
    Settings settings = ConfigRecord();
    TConfig dialog(settings, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.EditExUsers()->text(), "guest;test");
    EXPECT_EQ(dialog.EditExDmn()->text(), "LAB");
    EXPECT_EQ(dialog.EditExPorts()->text(), "COM3");
    EXPECT_TRUE(dialog.ChkLogFiles()->isChecked());
    EXPECT_EQ(dialog.EditFileFilter()->text(), "*.log");
    EXPECT_EQ(dialog.LanguageIndex(), 1);
    EXPECT_TRUE(dialog.LangButton(1)->isChecked());
    EXPECT_EQ(dialog.PageControl()->currentIndex(), 0);
}

TEST_F(ConfigDialog, OkCopiesEveryControlExactlyAsTyped)
{
    Settings settings = ConfigRecord();
    TConfig dialog(settings, nullptr);
    dialog.open();
    dialog.EditExUsers()->setText("  alice , bob ");
    dialog.EditExDmn()->setText("");
    dialog.EditExPorts()->setText("VPN1;VPN2");
    dialog.ChkLogFiles()->setChecked(false);
    dialog.EditFileFilter()->setText("ras*.TXT");
    dialog.EditEvents()->setText("20050;20048;20272");
    dialog.LangButton(0)->setChecked(true);
    dialog.BtOK()->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(settings.ExcludedUsers, "  alice , bob ");
    EXPECT_EQ(settings.ExcludedDomains, "");
    EXPECT_EQ(settings.ExcludedPorts, "VPN1;VPN2");
    EXPECT_FALSE(settings.CheckLogFiles);
    EXPECT_EQ(settings.FileFilter, "ras*.TXT");
    EXPECT_EQ(settings.NEvents, "20050;20048;20272");
    EXPECT_EQ(settings.LogLanguage, "EN");
}

TEST_F(ConfigDialog, AnEventListTheScanWouldMisreadIsNamedAndKeepsTheDialogOpen)
{
    Settings settings = ConfigRecord();
    settings.NEvents = "20050, 20048";  // stored by hand: shown and kept as it is
    TConfig dialog(settings, nullptr);
    dialog.open();
    EXPECT_TRUE(dialog.EventsNote()->text().contains("\" 2004\"")) << dialog.EventsNote()->text().toStdString();
    dialog.BtOK()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (const char* misread : {"20050;2004", "20050;20048;", "20050 20048 x", ""}) {
        dialog.open();
        dialog.EditEvents()->setText(misread);
        EXPECT_FALSE(dialog.EventsNote()->text().isEmpty()) << misread;
        dialog.BtOK()->click();
        EXPECT_TRUE(dialog.isVisible()) << misread;
        EXPECT_EQ(dialog.focusWidget(), dialog.EditEvents());
        dialog.reject();
    }
    EXPECT_EQ(settings.NEvents, "20050, 20048");
    dialog.open();
    dialog.EditEvents()->setText("20050|20048");  // any one character between two IDs
    EXPECT_TRUE(dialog.EventsNote()->text().isEmpty());
}

TEST_F(ConfigDialog, GermanIsStoredAsDE)
{
    Settings settings;
    settings.LogLanguage = "EN";
    TConfig dialog(settings, nullptr);
    dialog.open();
    dialog.LangButton(1)->setChecked(true);
    dialog.BtOK()->click();
    EXPECT_EQ(settings.LogLanguage, "DE");
}

TEST_F(ConfigDialog, AnOddLanguageShowsEnglishAndOkStoresEN)
{
    for (const QString odd : {"FR", "de", "", "DE "}) {
        Settings settings;
        settings.LogLanguage = odd;
        TConfig dialog(settings, nullptr);
        dialog.open();
        EXPECT_TRUE(dialog.LangButton(0)->isChecked()) << odd.toStdString();
        dialog.BtCancel()->click();
        EXPECT_EQ(settings.LogLanguage, odd);
        dialog.open();
        dialog.BtOK()->click();
        EXPECT_EQ(settings.LogLanguage, "EN");
    }
}

TEST_F(ConfigDialog, CancelLeavesTheRecordAndTheNextShowingForgetsTheEdits)
{
    const Settings original = ConfigRecord();
    Settings settings = original;
    TConfig dialog(settings, nullptr);
    dialog.open();
    dialog.EditExUsers()->setText("typed");
    dialog.EditFileFilter()->setText("*.*");
    dialog.ChkLogFiles()->setChecked(false);
    dialog.LangButton(0)->setChecked(true);
    dialog.BtCancel()->click();

    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(settings.ExcludedUsers, original.ExcludedUsers);
    EXPECT_EQ(settings.FileFilter, original.FileFilter);
    EXPECT_EQ(settings.CheckLogFiles, original.CheckLogFiles);
    EXPECT_EQ(settings.LogLanguage, original.LogLanguage);

    dialog.open();
    EXPECT_EQ(dialog.EditExUsers()->text(), "guest;test");
    EXPECT_EQ(dialog.EditFileFilter()->text(), "*.log");
    EXPECT_TRUE(dialog.ChkLogFiles()->isChecked());
    EXPECT_TRUE(dialog.LangButton(1)->isChecked());
}

TEST_F(ConfigDialog, ShowingPicksUpChangesMadeToTheRecordMeanwhile)
{
    Settings settings = ConfigRecord();
    TConfig dialog(settings, nullptr);
    dialog.open();
    dialog.BtCancel()->click();
    settings.ExcludedPorts = "changed";
    settings.LogLanguage = "EN";
    dialog.open();
    EXPECT_EQ(dialog.EditExPorts()->text(), "changed");
    EXPECT_TRUE(dialog.LangButton(0)->isChecked());
}

TEST_F(ConfigDialog, KeepsTheActivePageBetweenShowings)
{
    Settings settings;
    TConfig dialog(settings, nullptr);
    dialog.open();
    dialog.PageControl()->setCurrentIndex(1);
    dialog.BtCancel()->click();
    dialog.open();
    EXPECT_EQ(dialog.PageControl()->currentIndex(), 1);
}

TEST_F(ConfigDialog, EnterPressesOk)
{
    Settings settings;
    settings.FileFilter = "a";
    TConfig dialog(settings, nullptr);
    dialog.open();
    dialog.EditFileFilter()->setText("b");
    PressEnter(&dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings.FileFilter, "b");
}

TEST_F(ConfigDialog, EnterPressesOkAlsoWhenOpenedAgainAfterCancel)
{
    Settings settings;
    TConfig dialog(settings, nullptr);
    for (int page : {0, 1}) {
        dialog.open();
        dialog.PageControl()->setCurrentIndex(page);
        dialog.BtCancel()->setFocus();
        dialog.BtCancel()->click();
        settings.FileFilter = "a";
        dialog.open();
        dialog.EditFileFilter()->setText("b");
        ASSERT_NE(dialog.focusWidget(), nullptr);
        PressEnter(dialog.focusWidget());
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << page;
        EXPECT_EQ(settings.FileFilter, "b") << page;
    }
}

TEST_F(ConfigDialog, TheOneArgumentFormWorksOnTheProcessRecord)
{
    const Settings saved = ProcessSettings();
    ProcessSettings().ExcludedDomains = "process";
    {
        TConfig dialog(nullptr);
        dialog.open();
        EXPECT_EQ(dialog.EditExDmn()->text(), "process");
        dialog.EditExDmn()->setText("edited");
        dialog.BtOK()->click();
    }
    EXPECT_EQ(ProcessSettings().ExcludedDomains, "edited");
    ProcessSettings() = saved;
}

// ---- Open Folder ----

// Answers the message boxes and the folder picker for the tests.
class TestOpenFolder : public TOpenFolder {
public:
    using TOpenFolder::TOpenFolder;

    std::vector<QString> errors;
    std::vector<QString> pickerStarts;
    QString pickerAnswer;

protected:
    void ShowError(const QString& text) override { errors.push_back(text); }
    QString PickFolder(const QString& start) override
    {
        pickerStarts.push_back(start);
        return pickerAnswer;
    }
};

using OpenFolderDialog = DialogTest;

TEST_F(OpenFolderDialog, HasItsTitleSizeAndControls)
{
    Settings settings;
    TestOpenFolder dialog(settings, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Open Folder");
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.BtSetDefault()->text(), "Set Default");
    for (const QWidget* control : std::initializer_list<const QWidget*>{dialog.EditFolder(), dialog.BtOK(),
                                                                       dialog.BtSetDefault(), dialog.BtCancel()})
        EXPECT_TRUE(dialog.rect().contains(control->geometry())) << control->objectName().toStdString();
    EXPECT_TRUE(dialog.BtOK()->isDefault());
}

TEST_F(OpenFolderDialog, TheFieldStartsWithLogDirOrElseInstallDir)
{
    Settings settings;
    settings.LogDir = "/some/logs";
    settings.InstallDir = "/opt/vy";
    TestOpenFolder withLogDir(settings, nullptr);
    EXPECT_EQ(withLogDir.EditFolder()->text(), "/some/logs");

    settings.LogDir.clear();
    TestOpenFolder withoutLogDir(settings, nullptr);
    EXPECT_EQ(withoutLogDir.EditFolder()->text(), "/opt/vy");
}

TEST_F(OpenFolderDialog, OkTakesAnExistingFolderExactlyAsTyped)
{
    const QString folder = MakeFolder("logs") + "/";
    Settings settings;
    settings.LogDir = "/before";
    TestOpenFolder dialog(settings, nullptr);
    dialog.open();
    dialog.EditFolder()->setText(folder);
    dialog.BtOK()->click();
    EXPECT_TRUE(dialog.errors.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings.LogDir, folder);
    EXPECT_EQ(StoredLogDir(), "");  // OK alone writes nothing
}

TEST_F(OpenFolderDialog, AnEmptyFieldIsRefusedWithTwoBlanksInTheMessage)
{
    Settings settings;
    settings.LogDir = "/before";
    TestOpenFolder dialog(settings, nullptr);
    dialog.open();
    dialog.EditFolder()->clear();
    dialog.BtOK()->click();
    ASSERT_EQ(dialog.errors.size(), 1u);
    EXPECT_EQ(dialog.errors[0], "Folder  not found.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(settings.LogDir, "/before");
}

TEST_F(OpenFolderDialog, AFileOrAMissingPathIsRefused)
{
    const QString file = MakeFile("report.txt");
    const QString missing = m_dir.path() + "/no such folder";
    Settings settings;
    settings.LogDir = "/before";
    TestOpenFolder dialog(settings, nullptr);
    dialog.open();
    for (const QString& text : {file, missing}) {
        dialog.EditFolder()->setText(text);
        dialog.BtOK()->click();
        dialog.BtSetDefault()->click();
    }
    EXPECT_EQ(dialog.errors, (std::vector<QString>{"Folder " + file + " not found.", "Folder " + file + " not found.",
                                                   "Folder " + missing + " not found.",
                                                   "Folder " + missing + " not found."}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(settings.LogDir, "/before");
    EXPECT_EQ(StoredLogDir(), "");
}

TEST_F(OpenFolderDialog, SetDefaultThenCancelKeepsTheFolderInMemoryAndInTheStore)
{
    const QString folder = MakeFolder("default");
    Settings settings;
    settings.LogDir = "/before";
    TestOpenFolder dialog(settings, nullptr);
    dialog.open();
    dialog.EditFolder()->setText(folder);
    dialog.BtSetDefault()->click();
    EXPECT_TRUE(dialog.isVisible());
    // Said, and the typing goes on in the field.
    EXPECT_FALSE(dialog.Note()->text().isEmpty());
    EXPECT_EQ(dialog.focusWidget(), dialog.EditFolder());
    EXPECT_FALSE(dialog.BtSetDefault()->isDefault());
    QTest::keyClick(dialog.focusWidget(), Qt::Key_X);
    EXPECT_EQ(dialog.EditFolder()->text(), folder + "x");
    EXPECT_TRUE(dialog.Note()->text().isEmpty());
    dialog.BtCancel()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.errors.empty());
    EXPECT_EQ(settings.LogDir, folder);
    EXPECT_EQ(StoredLogDir(), folder);
}

TEST_F(OpenFolderDialog, SetDefaultThenOkWithAnotherFolder)
{
    const QString first = MakeFolder("first");
    const QString second = MakeFolder("second");
    Settings settings;
    TestOpenFolder dialog(settings, nullptr);
    dialog.open();
    dialog.EditFolder()->setText(first);
    dialog.BtSetDefault()->click();
    dialog.EditFolder()->setText(second);
    dialog.BtOK()->click();
    EXPECT_EQ(settings.LogDir, second);
    EXPECT_EQ(StoredLogDir(), first);
}

TEST_F(OpenFolderDialog, AFailedSetDefaultIsShownAndTheFolderIsTakenAnyway)
{
    const QString folder = MakeFolder("chosen");
    const QString blocker = MakeFile("blocker");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocker);
    Settings settings;
    settings.LogDir = "/before";
    TestOpenFolder dialog(settings, nullptr);
    dialog.open();
    dialog.EditFolder()->setText(folder);
    dialog.BtSetDefault()->click();
    EXPECT_EQ(dialog.errors, std::vector<QString>{"Failed to set data for 'LogDir'"});
    EXPECT_EQ(settings.LogDir, folder);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(OpenFolderDialog, TheFieldIsNotRefreshedWhenShownAgain)
{
    Settings settings;
    settings.LogDir = "/first";
    TestOpenFolder dialog(settings, nullptr);
    dialog.open();
    dialog.EditFolder()->setText("typed, then cancelled");
    dialog.BtCancel()->click();
    settings.LogDir = "/changed/by/demo";
    dialog.open();
    EXPECT_EQ(dialog.EditFolder()->text(), "typed, then cancelled");
}

TEST_F(OpenFolderDialog, ThePickerStartsWhereTheFieldSays)
{
    const QString folder = MakeFolder("start here");
    const QString root = QDir::toNativeSeparators(QDir::rootPath());
    Settings settings;
    TestOpenFolder dialog(settings, nullptr);

    dialog.EditFolder()->setText(folder);
    EXPECT_EQ(dialog.PickerStart(), folder);
    dialog.EditFolder()->setText(folder + "/missing");
    EXPECT_EQ(dialog.PickerStart(), root);
    dialog.EditFolder()->setText(MakeFile("a file"));
    EXPECT_EQ(dialog.PickerStart(), root);
    dialog.EditFolder()->clear();
    EXPECT_EQ(dialog.PickerStart(), root);  // nothing picked yet
}

TEST_F(OpenFolderDialog, APickedFolderReplacesTheWholeTextAndIsRemembered)
{
    const QString picked = MakeFolder("picked");
    Settings settings;
    TestOpenFolder dialog(settings, nullptr);
    dialog.EditFolder()->setText("some old text");
    dialog.pickerAnswer = picked;
    dialog.EditFolderBrowse();
    EXPECT_EQ(dialog.EditFolder()->text(), QDir::toNativeSeparators(picked));
    ASSERT_EQ(dialog.pickerStarts.size(), 1u);
    EXPECT_EQ(dialog.pickerStarts[0], QDir::toNativeSeparators(QDir::rootPath()));

    // An empty field now starts at the folder last picked.
    dialog.EditFolder()->clear();
    dialog.pickerAnswer.clear();  // the user cancels
    dialog.BrowseAction()->trigger();
    ASSERT_EQ(dialog.pickerStarts.size(), 2u);
    EXPECT_EQ(dialog.pickerStarts[1], QDir::toNativeSeparators(picked));
    EXPECT_EQ(dialog.EditFolder()->text(), "");  // a cancelled pick changes nothing
}

TEST_F(OpenFolderDialog, AltDownInTheFieldOpensThePicker)
{
    Settings settings;
    TestOpenFolder dialog(settings, nullptr);
    dialog.show();
    dialog.activateWindow();
    dialog.EditFolder()->setFocus();
    QCoreApplication::processEvents();
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Down, Qt::AltModifier);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::AltModifier);
    QCoreApplication::sendEvent(dialog.EditFolder(), &press);
    QCoreApplication::sendEvent(dialog.EditFolder(), &down);
    EXPECT_EQ(dialog.pickerStarts.size(), 1u);
}

TEST_F(OpenFolderDialog, TheOneArgumentFormReadsTheProcessRecord)
{
    const Settings saved = ProcessSettings();
    ProcessSettings().LogDir.clear();
    ProcessSettings().InstallDir = "/install";
    {
        TOpenFolder dialog(nullptr);
        EXPECT_EQ(dialog.EditFolder()->text(), "/install");
    }
    ProcessSettings() = saved;
}

// ---- About ----

using AboutBox = DialogTest;

// The box is laid out from its picture: the frame on the picture, the text
// panel beside it, OK under the panel's right edge, and the box around them.
void ExpectLaidOutAroundThePicture(const TAbout& dialog)
{
    EXPECT_EQ(dialog.Image()->size(), dialog.Picture().deviceIndependentSize().toSize());
    EXPECT_EQ(dialog.Bevel()->geometry(), dialog.Image()->geometry());
    const QRect panel = dialog.Panel1()->geometry();
    EXPECT_GT(panel.left(), dialog.Image()->geometry().right());
    const QRect button = dialog.BtOK()->geometry();
    EXPECT_GT(button.top(), panel.bottom());
    EXPECT_EQ(button.right(), panel.right());
    EXPECT_TRUE(dialog.rect().contains(button));
}

TEST_F(AboutBox, IsLaidOutAroundItsPictureAndReflowsForAnother)
{
    TAbout dialog(nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "About Vy");
    EXPECT_TRUE(dialog.BtOK()->isDefault());
    ExpectLaidOutAroundThePicture(dialog);
    const QSize stockBox = dialog.OuterSize();
    const QRect stockPanel = dialog.Panel1()->geometry();

    // A larger picture moves the panel and grows the box by as much.
    QPixmap big(dialog.Picture().deviceIndependentSize().toSize() + QSize(66, 50));
    big.fill(Qt::darkGreen);
    dialog.hide();
    dialog.SetPicture(big);
    dialog.show();
    ExpectLaidOutAroundThePicture(dialog);
    EXPECT_EQ(dialog.Panel1()->x(), stockPanel.x() + 66);
    EXPECT_EQ(dialog.Panel1()->width(), stockPanel.width());
    EXPECT_EQ(dialog.OuterSize(), stockBox + QSize(66, 50));

    // Back to the stock picture at the next showing.
    dialog.hide();
    dialog.SetPicture(QPixmap());
    dialog.show();
    EXPECT_EQ(dialog.OuterSize(), stockBox);
}

TEST_F(AboutBox, TheVersionTextFillsTheCentreOfThePanel)
{
    TAbout dialog(nullptr);
    dialog.show();
    const QStringList lines = dialog.Label1()->text().split('\n');
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], "Vy version 3 (build 002).");
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].startsWith("Copyright (C)"));
    const qsizetype gap = lines.indexOf(QString(), 2);
    ASSERT_GT(gap, 2);
    EXPECT_TRUE(lines.mid(gap + 1).join(' ').contains("www."));
    EXPECT_TRUE(lines.mid(gap + 1).join(' ').contains('@'));
    EXPECT_EQ(dialog.Label1()->alignment(), Qt::AlignCenter);
    EXPECT_EQ(dialog.Label1()->parentWidget(), dialog.Panel1());
    EXPECT_TRUE(dialog.Panel1()->rect().contains(dialog.Label1()->geometry()));
    // Every line fits the panel.
    const QFontMetrics metrics(dialog.Label1()->font());
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), dialog.Label1()->width()) << line.toStdString();
}

TEST_F(AboutBox, OkClosesIt)
{
    TAbout dialog(nullptr);
    dialog.open();
    PressEnter(&dialog);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(AboutPicture, IsDrawnAtTheScreensPixelRatio)
{
    EnsureApplication();
    const QPixmap sharp = AboutPicture(2.0);
    EXPECT_EQ(sharp.size(), QSize(468, 200));
    EXPECT_EQ(sharp.deviceIndependentSize().toSize(), QSize(234, 100));
    const QPixmap plain = AboutPicture(1.0);
    EXPECT_EQ(plain.size(), QSize(234, 100));
}

TEST(AboutPicture, IsAnOpaquePictureWithTheNameInWhite)
{
    EnsureApplication();
    const QImage image = AboutPicture(1.0).toImage();
    int white = 0;
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            opaque += c.alpha() == 255;
            // The "Vy 3" text is the only pure white on the left half.
            white += x < 117 && c.red() > 245 && c.green() > 245 && c.blue() > 245;
        }
    EXPECT_EQ(opaque, image.width() * image.height());
    EXPECT_GT(white, 200);
}

}  // namespace
}  // namespace vy
