// What leaves the window: the saved report and chart, the clipboard, and
// the dialogs and message boxes through which the window asks the user.

#include "ui/mainform.h"

#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>

#include "export/save_command.h"
#include "reports/date_text.h"
#include "reports/value_format.h"
#include "store/date_value.h"
#include "store/latin1_text.h"
#include "export/data_save.h"
#include "ui/help_viewer.h"
#include "ui/list_filter.h"
#include "ui/report_list_view.h"
#include "ui/report_views.h"

namespace vy {

namespace {

const char* const kMeasureNames[] = {"Time", "Send", "Receive"};

}  // namespace

// ---- the hooks' ordinary behaviour

MessageResult TMain::ShowMessage(MessageKind kind, const QString& title, const QString& text, MessageButtons buttons)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    if (kind == MessageKind::Warning)
        icon = QMessageBox::Warning;
    else if (kind == MessageKind::Error)
        icon = QMessageBox::Critical;
    QMessageBox box(icon, title, text,
                    buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    this);
    // Messages carry file names and texts from the logs.
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

bool TMain::ChooseSaveFile(QString& fileName, int& filterIndex)
{
    if (!saveDialog_) {
        // One dialog for the whole run, so it keeps the last filter.
        saveDialog_ = new QFileDialog(this, SaveDialogTitle);
        saveDialog_->setObjectName(QStringLiteral("SaveDialog"));
        saveDialog_->setOption(QFileDialog::DontUseNativeDialog, true);
        saveDialog_->setOption(QFileDialog::DontConfirmOverwrite, true);
        saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
        saveDialog_->setFileMode(QFileDialog::AnyFile);
        const QStringList filters = SaveDialogNameFilters() + DataSaveNameFilters();
        saveDialog_->setNameFilters(filters);
        // The dialog squeezes runs of blanks out of the filter texts; its list
        // shows them as written, and the choice is read back by that text.
        if (auto* types = saveDialog_->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            types && types->count() == filters.size()) {
            for (int i = 0; i < filters.size(); ++i)
                types->setItemText(i, filters[i]);
        }
        if (!filters.isEmpty())
            saveDialog_->selectNameFilter(filters.front());
    }
    if (!lastSaveFolder_.isEmpty())
        saveDialog_->setDirectory(lastSaveFolder_);
    saveDialog_->selectFile(fileName);
    if (saveDialog_->exec() != QDialog::Accepted)
        return false;
    const QStringList files = saveDialog_->selectedFiles();
    if (files.isEmpty() || files.front().isEmpty())
        return false;
    fileName = files.front();
    filterIndex = static_cast<int>((SaveDialogNameFilters() + DataSaveNameFilters()).indexOf(saveDialog_->selectedNameFilter())) + 1;
    return true;
}

bool TMain::ChooseFont(QFont& font, QColor&)
{
    // The toolkit's font dialog has no colour; the colour stays as it is.
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, this);
    if (!ok)
        return false;
    font = chosen;
    return true;
}

void TMain::ShowOpenFolder()
{
    if (openFolder_)
        openFolder_->exec();
}

void TMain::ShowConfig()
{
    if (config_)
        config_->exec();
}

void TMain::ShowAbout()
{
    if (about_)
        about_->exec();
}

void TMain::ShowHelp(const QString& file)
{
    if (!help_) {
        help_ = new HelpViewer(this);
        help_->setObjectName(QStringLiteral("HelpViewer"));
    }
    if (help_->Open(file)) {
        help_->show();
        help_->raise();
        help_->activateWindow();
    }
}

bool TMain::ChooseChartFile(QString& fileName)
{
    fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Save Chart"), fileName,
                                            QStringLiteral("PNG Images (*.png)"));
    return !fileName.isEmpty();
}

void TMain::StartProgram(const QString& program, const QStringList& arguments)
{
    QProcess::startDetached(program, arguments);
}

void TMain::ShowError(const QString& text)
{
    ShowMessage(MessageKind::Error, QStringLiteral("Error"), text);
}

QString TMain::SuggestedFileName() const
{
    return QString::fromLatin1(FileNameOfNodePath(session_->NodePathText));
}

void TMain::SaveChartClick()
{
    if (!Chart || !session_)
        return;
    QString fileName = SuggestedFileName();
    if (!fileName.isEmpty())
        fileName = QDir(lastSaveFolder_).filePath(fileName + QStringLiteral(".png"));
    if (!ChooseChartFile(fileName))
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");
    const QString title = FromLatin1(session_->NodePathText) + QStringLiteral(" - ") +
                          QLatin1String(kMeasureNames[static_cast<int>(chartMeasure_)]) + QStringLiteral(", ") +
                          FromLatin1(ProcessDateTexts().FormatDate(session_->InitialDate)) + QStringLiteral(" - ") +
                          FromLatin1(ProcessDateTexts().FormatDate(session_->FinalDate));
    if (!Chart->SaveImage(fileName, title)) {
        ShowError(QStringLiteral("File ") + QDir::toNativeSeparators(fileName) + QStringLiteral(" could not be written."));
        return;
    }
    lastSaveFolder_ = QFileInfo(fileName).absolutePath();
}

int TMain::ListRow() const
{
    // The row double-clicked or moved to is the current one; with several
    // selected and none current, the first of them.
    const QModelIndex current = List->currentIndex();
    if (current.isValid() && List->selectionModel()->isRowSelected(current.row()))
        return filter_->TableRow(current);
    QModelIndexList rows = List->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        return filter_->TableRow(*std::min_element(rows.begin(), rows.end()));
    return filter_->TableRow(current);
}

void TMain::ListCopyClick()
{
    if (!session_)
        return;
    std::vector<int> rows;
    for (const QModelIndex& index : List->selectionModel()->selectedRows())
        rows.push_back(filter_->TableRow(index));
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    QGuiApplication::clipboard()->setText(CopiedRows(*listModel_, rows));
}

void TMain::ListCopyTotalsClick()
{
    if (!session_ || !session_->ReportShown || LabelTotal->text().isEmpty())
        return;
    // One row under the columns Copy gives: the node's path where the names
    // stand, each sum under its own column.
    const RowValues& totals = session_->Table.Totals;
    QStringList cells;
    for (const ReportColumn& column : listModel_->ShownColumns()) {
        if (cells.isEmpty())
            cells << ShownText(session_->NodePathText);
        else if (column.Kind == ColumnKind::Duration)
            cells << FromLatin1(SecondsToText(totals.Seconds));
        else if (column.Kind == ColumnKind::Sent)
            cells << FromLatin1(GroupDigits(",", totals.Sent));
        else if (column.Kind == ColumnKind::Received)
            cells << FromLatin1(GroupDigits(",", totals.Received));
        else
            cells << QString();
    }
    QGuiApplication::clipboard()->setText(cells.join(QLatin1Char('\t')) + QLatin1Char('\n'));
}

void TMain::MenuFileSaveClick()
{
    if (!session_ || ScanRunning() || session_->Table.Rows.empty())
        return;
    QString typed = SuggestedFileName();
    int filterIndex = HtmlFilterIndex;
    if (!ChooseSaveFile(typed, filterIndex))
        return;
    const SaveChoice choice = ChooseSaveTarget(filterIndex, typed);
    const std::optional<DataFormat> data = DataFormatOfFilter(filterIndex);
    const QString fileName = data ? DataFileName(*data, typed) : choice.FileName;
    if (QFileInfo::exists(fileName) &&
        ShowMessage(MessageKind::Warning, ReplaceQuestionTitle, ReplaceQuestion(fileName),
                    MessageButtons::OkCancel) != MessageResult::Ok)
        return;
    HtmlHeadings headings;
    headings.Totals = session_->LabelTotal;
    headings.Selection = session_->NodePathText;
    headings.FinalDate = ToLatin1(DateEdit2->text());
    headings.InitialDate = ToLatin1(DateEdit1->text());
    headings.Created = ProcessDateTexts().FormatDateTime(CurrentDateTimeValue());
    const JsonHeadings node{session_->NodePathText, session_->UsersChecked ? "users" : "date"};
    if (const auto error = data ? WriteReportFile(fileName, DataReport(*data, session_->Table, node))
                                : WriteSaveChoice(choice, session_->Table, headings)) {
        ShowError(*error);
        return;
    }
    lastSaveFolder_ = QFileInfo(fileName).absolutePath();
}

void TMain::ToolSaveClick() { MenuFileSaveClick(); }

}  // namespace vy
