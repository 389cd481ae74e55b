#include "ui/scan_details_form.h"

#include <set>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "store/latin1_text.h"
#include "ui/scan_offer.h"

namespace vy {

namespace {

enum Column { FileColumn, FormColumn, ConnectionsColumn, UnreadColumn, FirstColumn, NotListedColumn, ProblemsColumn };

QString NotListedText(int id, std::int64_t n)
{
    return n == 1 ? QStringLiteral("1 event %1 was not read: it is not in the event list").arg(id)
                  : QStringLiteral("%1 events %2 were not read: they are not in the event list").arg(n).arg(id);
}

QString Place(std::int64_t first, bool records)
{
    return (records ? QStringLiteral("record ") : QStringLiteral("line ")) + QString::number(first);
}

QString Number(std::int64_t n) { return n == 0 ? QString() : QString::number(n); }

bool Numeric(int column) { return column == ConnectionsColumn || column == UnreadColumn; }

}  // namespace

QStringList ScanDetailsHeadings()
{
    return {QStringLiteral("File"),        QStringLiteral("Form"),       QStringLiteral("Connections"),
            QStringLiteral("Unread"),      QStringLiteral("First unread"), QStringLiteral("Not listed"),
            QStringLiteral("Problems")};
}

std::vector<QStringList> ScanDetailsRows(const ScanResult& result)
{
    std::vector<QStringList> rows;
    for (const auto& file : result.Files) {
        QStringList notListed;
        for (const auto& [id, n] : file.NotListed)
            notListed << QStringLiteral("%1 \u00d7 %2").arg(n).arg(id);
        QStringList problems;
        for (const std::string& problem : file.Problems)
            problems << FromLatin1(problem);
        rows.push_back({file.Name, file.Form.empty() ? QStringLiteral("not read") : FromLatin1(file.Form),
                        QString::number(file.Connections), Number(file.Unread),
                        file.Unread > 0 ? Place(file.FirstUnread, file.Records) : QString(),
                        notListed.join(QStringLiteral(", ")), problems.join(QLatin1Char(' '))});
    }
    return rows;
}

QString ScanDetailsSummary(const ScanResult& result)
{
    QStringList parts;
    if (const std::int64_t total = result.UnreadLines(); total > 0)
        parts << QStringLiteral("%1 could not be read (View > Scan Details)")
                     .arg(CountOf(total, QStringLiteral("connection line"), QStringLiteral("connection lines")));
    for (const auto& [id, n] : result.EventsNotListed)
        parts << NotListedText(id, n) + QStringLiteral(" (Options > Configuration)");
    return parts.join(QStringLiteral("; "));
}

TScanDetails::TScanDetails(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ScanDetails"));
    setWindowTitle(QStringLiteral("Scan Details"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("Summary"));
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("Table"));
    table_->setColumnCount(static_cast<int>(ScanDetailsHeadings().size()));
    table_->setHorizontalHeaderLabels(ScanDetailsHeadings());
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setWordWrap(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The names and the problems take what the counts leave.
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(ProblemsColumn, QHeaderView::Stretch);
    auto* copy = new QAction(QStringLiteral("&Copy"), table_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(CopiedText()); });
    table_->addAction(copy);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);

    btOffer_ = new QPushButton(this);
    btOffer_->setObjectName(QStringLiteral("BtOffer"));
    btOffer_->hide();
    connect(btOffer_, &QPushButton::clicked, this, &TScanDetails::OfferClicked);
    btCopy_ = new QPushButton(QStringLiteral("&Copy"), this);
    btCopy_->setObjectName(QStringLiteral("BtCopy"));
    connect(btCopy_, &QPushButton::clicked, copy, &QAction::trigger);
    btClose_ = new QPushButton(QStringLiteral("Close"), this);
    btClose_->setObjectName(QStringLiteral("BtClose"));
    connect(btClose_, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btOffer_);
    buttons->addStretch();
    buttons->addWidget(btCopy_);
    buttons->addWidget(btClose_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(summary_);
    column->addWidget(table_, 1);
    column->addLayout(buttons);
    resize(760, 360);
}

void TScanDetails::ShowDetails(const ScanResult& result)
{
    const std::vector<QStringList> rows = ScanDetailsRows(result);
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < table_->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(rows[static_cast<std::size_t>(r)].value(c));
            item->setTextAlignment((Numeric(c) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
            table_->setItem(r, c, item);
        }
    const QString unread = ScanDetailsSummary(result);
    summary_->setText(
        CountOf(static_cast<long long>(result.LogFileList.size()), QStringLiteral("file"), QStringLiteral("files")) +
        QStringLiteral(" found with the filter \"%1\". ").arg(result.FileFilter) +
        (unread.isEmpty() ? QStringLiteral("Every connection the scan recognised was read.") : unread + QLatin1Char('.')));
}

void TScanDetails::ShowRunning()
{
    table_->setRowCount(0);
    summary_->setText(QStringLiteral("A scan is running: its details follow when it ends."));
    SetOffer(QString());
}

void TScanDetails::SetOffer(const QString& caption)
{
    btOffer_->setText(caption);
    btOffer_->setVisible(!caption.isEmpty());
}

QString TScanDetails::CopiedText() const
{
    std::set<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty())
        for (int r = 0; r < table_->rowCount(); ++r)
            rows.insert(r);
    QString text = ScanDetailsHeadings().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r : rows) {
        QStringList cells;
        for (int c = 0; c < table_->columnCount(); ++c)
            cells << (table_->item(r, c) ? table_->item(r, c)->text() : QString());
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

}  // namespace vy
