#include "ui/list_filter.h"

#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSortFilterProxyModel>

#include "reports/value_format.h"
#include "ui/report_views.h"

namespace vy {

ListFilter::ListFilter(ReportTableModel& table, QWidget* parent) : QObject(parent), table_(table)
{
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(&table);
    // Any cell may hold the text; the rows keep the table's order, which
    // only a header click changes.
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy_->setDynamicSortFilter(false);

    edit_ = new QLineEdit(parent);
    edit_->setObjectName(QStringLiteral("EditListFilter"));
    edit_->setPlaceholderText(QStringLiteral("Filter rows (Ctrl+F)"));
    edit_->setClearButtonEnabled(true);
    auto* find = new QShortcut(QKeySequence::Find, parent, nullptr, nullptr, Qt::WindowShortcut);
    connect(find, &QShortcut::activated, edit_, [this] {
        edit_->setFocus(Qt::ShortcutFocusReason);
        edit_->selectAll();
    });
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        proxy_->setFilterFixedString(text);
        UpdateTotals();
    });

    totals_ = new QLabel(parent);
    totals_->setObjectName(QStringLiteral("LabelShownTotal"));
    totals_->setTextFormat(Qt::PlainText);
    totals_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    totals_->hide();
    connect(proxy_, &QAbstractItemModel::modelReset, this, &ListFilter::UpdateTotals);
    connect(proxy_, &QAbstractItemModel::layoutChanged, this, &ListFilter::UpdateTotals);
}

QAbstractItemModel* ListFilter::View() const { return proxy_; }

int ListFilter::TableRow(const QModelIndex& viewIndex) const
{
    const QModelIndex source = proxy_->mapToSource(viewIndex);
    return source.isValid() ? source.row() : -1;
}

QModelIndex ListFilter::ViewIndex(int tableRow) const
{
    return proxy_->mapFromSource(table_.index(tableRow, 0));
}

void ListFilter::UpdateTotals()
{
    const ReportTable* table = table_.Shown();
    if (edit_->text().isEmpty() || !table) {
        totals_->hide();
        return;
    }
    RowValues sum;
    const int shown = proxy_->rowCount();
    for (int row = 0; row < shown; ++row) {
        const RowValues& values = table->Rows[static_cast<std::size_t>(TableRow(proxy_->index(row, 0)))].Values;
        sum.Seconds += values.Seconds;
        sum.Sent += values.Sent;
        sum.Received += values.Received;
    }
    totals_->setText(QStringLiteral("Shown %1 of %2:   Time: %3   Send: %4   Receive: %5")
                         .arg(shown)
                         .arg(table->Rows.size())
                         .arg(QString::fromLatin1(SecondsToText(sum.Seconds)),
                              QString::fromLatin1(GroupDigits(",", sum.Sent)),
                              QString::fromLatin1(GroupDigits(",", sum.Received))));
    totals_->show();
}

}  // namespace vy
