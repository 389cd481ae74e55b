#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "export/export_fixtures.h"
#include "export/save_command.h"

namespace vy {
namespace {

TEST(SaveDialogTexts, TitleFiltersAndQuestion)
{
    EXPECT_EQ(SaveDialogTitle, "Save Report");
    EXPECT_EQ(SaveDialogFilter, "HTML Files (*.htm)|*.htm|Comma Delimited Text  (*.txt)|*.txt|All Files (*.*)|*.*");
    EXPECT_EQ(SaveDialogNameFilters(),
              QStringList({"HTML Files (*.htm)", "Comma Delimited Text  (*.txt)", "All Files (*.*)"}));
    EXPECT_EQ(SaveFilterIndexOf("HTML Files (*.htm)"), HtmlFilterIndex);
    EXPECT_EQ(SaveFilterIndexOf("Comma Delimited Text  (*.txt)"), TextFilterIndex);
    EXPECT_EQ(SaveFilterIndexOf("All Files (*.*)"), AllFilesFilterIndex);
    EXPECT_EQ(SaveFilterIndexOf("Comma Delimited Text (*.txt)"), 0);  // one blank is another filter
    EXPECT_EQ(ReplaceQuestionTitle, "Warning");
    EXPECT_EQ(ReplaceQuestion("/home/x/report.txt"), "File /home/x/report.txt exists. Replace?");
}

TEST(FileNameOfNodePath, JoinsTheNodesAndReplacesWhatNoFileNameHolds)
{
    EXPECT_EQ(FileNameOfNodePath("SALES \\ RAS2 \\ COM1"), "SALES - RAS2 - COM1");
    EXPECT_EQ(FileNameOfNodePath("1998 \\ October"), "1998 - October");
    EXPECT_EQ(FileNameOfNodePath("a/b:c*d?\"e<f>g|h\\i\x01j"), "a_b_c_d__e_f_g_h_i_j");
    EXPECT_EQ(FileNameOfNodePath("LOCAL \\ j\xfcrgen."), "LOCAL - j\xfcrgen");
    EXPECT_EQ(FileNameOfNodePath(""), "");
}

TEST(ChooseSaveTarget, FilterPicksTheWriterNotTheName)
{
    auto expect = [](int filter, const char* typed, ReportFormat format, const char* written) {
        const SaveChoice c = ChooseSaveTarget(filter, typed);
        EXPECT_EQ(c.Format, format) << filter << " " << typed;
        EXPECT_EQ(c.FileName, written) << filter << " " << typed;
    };
    expect(1, "report", ReportFormat::Html, "report.htm");
    expect(1, "report.html", ReportFormat::Html, "report.html.htm");
    expect(1, "report.HTM", ReportFormat::Html, "report.HTM");
    expect(1, "report.txt", ReportFormat::Html, "report.txt.htm");
    expect(2, "report", ReportFormat::Text, "report.txt");
    expect(2, "report.htm", ReportFormat::Text, "report.htm.txt");
    expect(2, "REPORT.TXT", ReportFormat::Text, "REPORT.TXT");
}

TEST(ChooseSaveTarget, AllFilesGoesByTheTypedName)
{
    auto expect = [](const char* typed, ReportFormat format, const char* written) {
        const SaveChoice c = ChooseSaveTarget(AllFilesFilterIndex, typed);
        EXPECT_EQ(c.Format, format) << typed;
        EXPECT_EQ(c.FileName, written) << typed;
    };
    expect("report.txt", ReportFormat::Text, "report.txt");
    expect("report.TxT", ReportFormat::Text, "report.TxT");
    expect("report.htm", ReportFormat::Html, "report.htm");
    expect("report", ReportFormat::Html, "report.htm");
    expect("report.csv", ReportFormat::Html, "report.csv.htm");
    expect("report.txt.bak", ReportFormat::Html, "report.txt.bak.htm");
}

TEST(WriteSaveChoice, WritesTheChosenFormat)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ReportTable table = testing::DomainTable();
    const HtmlHeadings headings{"Total:    Time: 1:03:02   Send: 13,344   Receive: 68,890", "Local", "31 Oct 1998",
                                "1 Oct 1998", "7 Dec 2026 09:05"};

    const SaveChoice text = ChooseSaveTarget(AllFilesFilterIndex, dir.filePath("r.TXT"));
    ASSERT_EQ(WriteSaveChoice(text, table, headings), std::nullopt);
    QFile t(dir.filePath("r.TXT"));
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_EQ(t.readAll().toStdString(), TextReport(table));

    const SaveChoice html = ChooseSaveTarget(HtmlFilterIndex, dir.filePath("r.txt"));
    ASSERT_EQ(WriteSaveChoice(html, table, headings), std::nullopt);
    QFile h(dir.filePath("r.txt.htm"));
    ASSERT_TRUE(h.open(QIODevice::ReadOnly));
    EXPECT_EQ(h.readAll().toStdString(), HtmlReport(table, headings));

    const SaveChoice bad{ReportFormat::Text, dir.filePath("none/r.txt")};
    EXPECT_EQ(WriteSaveChoice(bad, table, headings), "No such file or directory: " + bad.FileName);
}

}  // namespace
}  // namespace vy
