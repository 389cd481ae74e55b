#pragma once
// What File > Save decides and does, apart from its dialogs: which writer a
// choice in the save dialog selects, the name really written, the texts of
// the dialog and of the replace question, and the writing itself.

#include <optional>
#include <string>
#include <string_view>

#include <QString>
#include <QStringList>

#include "export/report_writers.h"
#include "reports/report_table.h"

namespace vy {

enum class ReportFormat { Html, Text };

struct SaveChoice {
    ReportFormat Format;
    QString FileName;  // after the writer's extension rule
};

// The save dialog's title and its three filters, in the form
// "description|pattern|description|pattern|...". Filter indexes count from 1.
inline const QString SaveDialogTitle = QStringLiteral("Save Report");
inline const QString SaveDialogFilter =
    QStringLiteral("HTML Files (*.htm)|*.htm|Comma Delimited Text  (*.txt)|*.txt|All Files (*.*)|*.*");
inline constexpr int HtmlFilterIndex = 1;
inline constexpr int TextFilterIndex = 2;
inline constexpr int AllFilesFilterIndex = 3;

// The same filters as a file dialog wants them: "HTML Files (*.htm)" and so
// on, in filter-index order (entry 0 is filter 1).
QStringList SaveDialogNameFilters();
// The 1-based filter index of one of those entries; 0 when it is none.
int SaveFilterIndexOf(const QString& nameFilter);

// Title and text of the question asked before an existing file is replaced,
// for the name that will really be written.
inline const QString ReplaceQuestionTitle = QStringLiteral("Warning");
QString ReplaceQuestion(const QString& fileName);

// Filter 1 writes HTML, filter 2 text. With "All Files" (or any other index)
// a name ending in ".txt" in any case goes to the text writer and every
// other name to the HTML writer. The file name is the one the chosen writer
// writes.
SaveChoice ChooseSaveTarget(int filterIndex, const QString& typedName);

// The name a save dialog suggests for the table of a node: its path with
// " - " between the node texts, and every character that a file name
// cannot hold on some system as "_".
std::string FileNameOfNodePath(std::string_view nodePath);

// Writes the table in the chosen format under choice.FileName; the headings
// are used by the page only. The error text for the user, or nothing.
std::optional<QString> WriteSaveChoice(const SaveChoice& choice, const ReportTable& table,
                                       const HtmlHeadings& headings);

}  // namespace vy
