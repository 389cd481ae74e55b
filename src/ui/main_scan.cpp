// Go and Stop, the scan as the window's task, and what the window shows when
// a scan ends.

#include "ui/mainform.h"

#include <algorithm>
#include <memory>

#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>

#include "reports/date_text.h"
#include "settings/event_list_text.h"
#include "settings/scan_settings_from.h"
#include "settings/settings.h"
#include "store/date_value.h"
#include "store/latin1_text.h"
#include "store/stores.h"
#include "ui/main_parts.h"
#include "ui/report_list_view.h"
#include "ui/report_views.h"
#include "ui/scan_details_form.h"

namespace vy {

using namespace mainparts;

namespace {

double DayValue(const QDate& date) { return EncodeDate(date.year(), date.month(), date.day()).value_or(0.0); }

}  // namespace

void TMain::BtGoClick()
{
    if (BtGo->text() == GoCaption) {
        StartScan(false);
        return;
    }
    // A scan that has not begun yet is simply not begun.
    if (scanWaiting_)
        scanWaiting_ = false;
    else if (taskIsScan_)
        task_.RequestStop();
    BtGo->setText(GoCaption);
    Progress->hide();
}

void TMain::MenuRptGoClick()
{
    if (ScanRunning())
        return;
    BtGoClick();
}

void TMain::MenuViewDetailsClick()
{
    if (details_ == nullptr) {
        details_ = new TScanDetails(this);
        connect(details_, &TScanDetails::OfferClicked, this, &TMain::TakeOffer);
    }
    if (taskIsScan_ || scanWaiting_) {
        details_->ShowRunning();
    } else {
        details_->ShowDetails(lastScan_.Result);
        details_->SetOffer(offer_.Caption);
    }
    details_->show();
    details_->raise();
}

void TMain::StartScan(bool demo)
{
    Status->SetText(3, QString());  // the last scan's note
    BtGo->setText(StopCaption);
    Progress->setValue(0);
    Progress->show();
    lastPercent_ = 0;
    EmptyPane->hide();
    ListSplitter->show();
    offer_ = ScanOffer{};
    Status->SetOffer(QString());
    if (details_ != nullptr)
        details_->ShowRunning();
    demoWaiting_ = demo;
    // A stopped scan still finishing, or a table being made, has the
    // session: this scan begins when it comes back.
    scanWaiting_ = true;
    if (session_)
        LaunchScan();
}

void TMain::LaunchScan()
{
    scanWaiting_ = false;
    // From here until the task ends the session is the task's: the list
    // shows a copy of the columns only.
    listModel_->BeginChange();
    if (demoWaiting_)
        ClearForDemo(*session_);
    else
        ClearForScan(*session_);
    listModel_->ShowColumnsOnly(session_->Table.Columns);
    listModel_->EndChange();
    ApplyColumnWidths(*List, *listModel_);
    MirrorTree();
    MirrorTableAndLabels();
    FormResize();

    const ScanSettings scan =
        ScanSettingsFrom(ProcessSettings(), DayValue(DateEdit1->date()), DayValue(DateEdit2->date()));
    session_->InitialDate = scan.InitialDate;
    session_->FinalDate = scan.FinalDate;
    ProcessDateTexts().StripSeconds();
    scanClock_.start();

    // What a stopped scan still tells is no news of the one on screen.
    const auto shown = [this] { return !task_.StopRequested(); };
    ScanProgress progress;
    progress.Phase = [this, shown](const QString& text) {
        if (shown())
            Status->SetText(0, text);
    };
    progress.File = [this, shown](const QString& text) {
        if (shown())
            Status->SetText(1, text);
    };
    progress.Percent = [this, shown](int percent, bool reading) {
        if (!shown())
            return;
        // The bar's range is 0 to 100, though the count may pass 100.
        Progress->setValue(std::clamp(percent, 0, 100));
        lastPercent_ = percent;
        const QString text = QString::number(percent) + QLatin1Char('%');
        Status->SetText(2, text);
        if (reading && ApplicationTitle() != TitlePrefix + text)
            SetApplicationTitle(TitlePrefix + text);
    };
    auto outcome = std::make_shared<ScanOutcome>();
    Stores* stores = &ProcessStores();
    const DateTexts* dates = &ProcessDateTexts();
    taskIsScan_ = true;
    const bool started = task_.Start(
        session_,
        [scan, stores, dates, progress, outcome](ReportSession& session, const TaskRun& run) {
            *outcome = RunScanTask(scan, session, *stores, *dates, run, progress);
        },
        [this, outcome](std::unique_ptr<ReportSession> back) {
            session_ = std::move(back);
            ScanFinished(std::move(*outcome));
        });
    if (!started) {
        outcome->Warnings.push_back("The scan could not be started.");
        ScanFinished(std::move(*outcome));
    }
}

void TMain::ScanFinished(ScanOutcome outcome)
{
    taskIsScan_ = false;
    lastScan_ = std::move(outcome);
    lastScanStopped_ = lastScan_.Stopped;
    if (closing_)
        return;
    // A Go pressed after Stop: the new scan replaces what the old one left.
    if (scanWaiting_) {
        LaunchScan();
        return;
    }
    listModel_->ShowTable(&session_->Table);
    ApplyColumnWidths(*List, *listModel_);
    MirrorTree();
    MirrorTableAndLabels();
    MirrorReportChecks();
    UpdateChart();

    SetApplicationTitle(TitlePrefix + ProcessSettings().LogDir);
    Progress->hide();
    for (int panel = 0; panel < 3; ++panel)
        Status->SetText(panel, QString());
    ReportScanOutcome(lastScan_);
    if (details_ != nullptr)
        details_->ShowDetails(lastScan_.Result);
    FormResize();
    BtGo->setText(GoCaption);
    emit ScanEnded();
    if (lastScan_.Error)
        ShowError(FromLatin1(*lastScan_.Error));
    ShowScanWarnings();
}

void TMain::ShowScanWarnings()
{
    // The scan's own warnings come first, each in its box; the files'
    // problems after them share one box, however many files had one, so a
    // folder of damaged files is not a string of boxes to click away.
    const std::vector<std::string>& warnings = lastScan_.Warnings;
    std::size_t fileProblems = 0;
    for (const FileSummary& f : lastScan_.Result.Files)
        fileProblems += f.Problems.size();
    fileProblems = std::min(fileProblems, warnings.size());
    const std::size_t own = warnings.size() - fileProblems;
    for (std::size_t i = 0; i < own; ++i)
        ShowMessage(MessageKind::Warning, QStringLiteral("Warning"), FromLatin1(warnings[i]));
    if (fileProblems == 0)
        return;
    constexpr std::size_t shown = 10;
    QStringList lines;
    for (std::size_t i = own; i < warnings.size() && lines.size() < static_cast<qsizetype>(shown); ++i)
        lines << FromLatin1(warnings[i]);
    if (fileProblems > shown)
        lines << QStringLiteral("... and %1 more: View > Scan Details lists them all.").arg(fileProblems - shown);
    ShowMessage(MessageKind::Warning, QStringLiteral("Warning"), lines.join('\n'));
}

void TMain::ReportScanOutcome(const ScanOutcome& outcome)
{
    const ScanResult& result = outcome.Result;
    offer_ = OfferAfterScan(result, ProcessDateTexts(), outcome.Connections, session_->InitialDate,
                            session_->FinalDate);
    Status->SetOffer(offer_.Caption);
    if (details_ != nullptr)
        details_->SetOffer(offer_.Caption);
    // What could not be read follows what was, in the same panel.
    const QString unread = ScanDetailsSummary(result);
    const auto withUnread = [&unread](const QString& text) { return unread.isEmpty() ? text : text + "; " + unread; };
    if (outcome.Stopped) {
        Status->SetText(3, withUnread(QStringLiteral("Stopped at %1 %").arg(lastPercent_)));
        return;
    }
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const double seconds = static_cast<double>(scanClock_.elapsed()) / 1000.0;
    const auto files = static_cast<long long>(result.LogFileList.size());
    Status->SetText(3, withUnread(QStringLiteral("%1 in %2, %3 s")
                                      .arg(CountOf(outcome.Connections, QStringLiteral("connection"),
                                                   QStringLiteral("connections")),
                                           CountOf(files, QStringLiteral("file"), QStringLiteral("files")),
                                           QString::number(seconds, 'f', 1))));
    if (outcome.Connections > 0)
        return;
    // Nothing kept: why, where the table would be.
    EmptyNote->setText(WhyNothingWasKept(result, ProcessDateTexts(), ProcessSettings().LogDir, session_->InitialDate,
                                         session_->FinalDate));
    EmptyOffer->setText(offer_.Caption);
    EmptyOffer->setVisible(offer_.Action != ScanOffer::Kind::None);
    ListSplitter->hide();
    EmptyPane->show();
}

void TMain::TakeOffer()
{
    if (ScanRunning() || offer_.Action == ScanOffer::Kind::None)
        return;
    Settings& s = ProcessSettings();
    switch (offer_.Action) {
    case ScanOffer::Kind::AddEvents:
        s.NEvents = EventListWith(s.NEvents, offer_.EventIds);
        break;
    case ScanOffer::Kind::SetFilter:
        s.FileFilter = offer_.Filter;
        break;
    case ScanOffer::Kind::SetDates: {
        const CivilDate first = DecodeDate(offer_.Dates.first);
        const CivilDate last = DecodeDate(offer_.Dates.second);
        DateEdit1->setDate(QDate(first.Year, first.Month, first.Day));
        DateEdit2->setDate(QDate(last.Year, last.Month, last.Day));
        break;
    }
    case ScanOffer::Kind::None:
        return;
    }
    StartScan(false);
}

}  // namespace vy
