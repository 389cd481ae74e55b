#include "ui/list_filter.h"

#include <algorithm>
#include <string>

#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSortFilterProxyModel>

#include "reports/value_format.h"
#include "ui/report_views.h"

namespace vy {

namespace {

// The rows whose cells hold the text, in any letter case. The cells are read
// as the table holds them (single-byte), without making a display text of
// each: a million rows pass in a fraction of the time.
class RowFilterModel : public QSortFilterProxyModel {
public:
    explicit RowFilterModel(const ReportTableModel& table, QObject* parent)
        : QSortFilterProxyModel(parent), table_(table)
    {
        for (int c = 0; c < 256; ++c) {
            const char16_t lower = QChar(static_cast<char16_t>(c)).toLower().unicode();
            fold_[c] = static_cast<unsigned char>(lower < 256 ? lower : c);
        }
    }

    void SetText(const QString& text)
    {
        // A character no single-byte cell can hold matches nothing.
        unmatchable_ = false;
        needle_.clear();
        for (QChar ch : text) {
            unmatchable_ = unmatchable_ || ch.unicode() > 0xFF;
            needle_ += static_cast<char>(fold_[ch.unicode() & 0xFF]);
        }
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override
    {
        const ReportTable* table = table_.Shown();
        if (needle_.empty() || !table)
            return true;
        if (unmatchable_)
            return false;
        const ReportRow& r = table->Rows[static_cast<std::size_t>(row)];
        const auto same = [this](char a, char b) {
            return fold_[static_cast<unsigned char>(a)] == static_cast<unsigned char>(b);
        };
        std::string buffer;
        for (std::size_t c = 0; c < table->Columns.size(); ++c) {
            const std::string_view cell = CellText(*table, r, c, buffer);
            if (std::search(cell.begin(), cell.end(), needle_.begin(), needle_.end(), same) != cell.end())
                return true;
        }
        return false;
    }

private:
    const ReportTableModel& table_;
    unsigned char fold_[256] = {};
    std::string needle_;
    bool unmatchable_ = false;
};

}  // namespace

ListFilter::ListFilter(ReportTableModel& table, QWidget* parent) : QObject(parent), table_(table)
{
    auto* rows = new RowFilterModel(table, this);
    proxy_ = rows;
    proxy_->setSourceModel(&table);
    // The rows keep the table's order, which only a header click changes.
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
        static_cast<RowFilterModel*>(proxy_)->SetText(text);
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
