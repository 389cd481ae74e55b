#include "ui/list_filter.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include <QAbstractProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

#include "reports/value_format.h"
#include "ui/report_views.h"

namespace vy {

// The rows whose cells hold the text, in any letter case and in the table's
// order. The cells are read as the table holds them (single-byte), without
// making a display text of each. With no text every row passes and none is
// listed: the list is handed a table of ten million rows without a pass
// over them. A new text changes the rows as a layout change, so the current
// and selected rows stay where they are still shown.
class RowFilterModel final : public QAbstractProxyModel {
public:
    explicit RowFilterModel(ReportTableModel& table, QObject* parent) : QAbstractProxyModel(parent), table_(table)
    {
        for (int c = 0; c < 256; ++c) {
            const char16_t lower = QChar(static_cast<char16_t>(c)).toLower().unicode();
            fold_[c] = static_cast<unsigned char>(lower < 256 ? lower : c);
        }
        setSourceModel(&table);
        // The table changes only as a whole.
        connect(&table, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
        connect(&table, &QAbstractItemModel::modelReset, this, [this] {
            rows_ = Passing(needle_, unmatchable_);
            endResetModel();
        });
    }

    void SetText(const QString& text)
    {
        // A character no single-byte cell can hold matches nothing.
        std::string needle;
        bool unmatchable = false;
        for (QChar ch : text) {
            unmatchable = unmatchable || ch.unicode() > 0xFF;
            needle += static_cast<char>(fold_[ch.unicode() & 0xFF]);
        }
        // A longer text that holds the last one can only narrow its rows:
        // typing on searches the rows shown, not the whole table again.
        const bool narrowing = Filtering() && !unmatchable_ && needle.find(needle_) != std::string::npos;
        std::vector<int> rows = Passing(needle, unmatchable, narrowing ? &rows_ : nullptr);
        // Rows that stay as they are (every row before and after, say) are
        // no change for the view to lay out again.
        const bool filtering = !needle.empty() && table_.Shown();
        const std::size_t count = filtering ? rows.size() : static_cast<std::size_t>(table_.rowCount());
        const bool same = count == static_cast<std::size_t>(rowCount()) && (!filtering || !Filtering() || rows == rows_);
        if (same) {
            needle_ = std::move(needle);
            unmatchable_ = unmatchable;
            rows_ = std::move(rows);
            return;
        }
        emit layoutAboutToBeChanged();
        const QModelIndexList from = persistentIndexList();
        std::vector<int> tableRows;
        for (const QModelIndex& index : from)
            tableRows.push_back(TableRow(index.row()));
        needle_ = std::move(needle);
        unmatchable_ = unmatchable;
        rows_ = std::move(rows);
        QModelIndexList to;
        for (std::size_t k = 0; k < tableRows.size(); ++k)
            to.append(ViewIndex(tableRows[k], from[static_cast<qsizetype>(k)].column()));
        changePersistentIndexList(from, to);
        emit layoutChanged();
    }

    QModelIndex mapToSource(const QModelIndex& viewIndex) const override
    {
        if (!viewIndex.isValid())
            return QModelIndex();
        return table_.index(TableRow(viewIndex.row()), viewIndex.column());
    }

    QModelIndex mapFromSource(const QModelIndex& tableIndex) const override
    {
        if (!tableIndex.isValid())
            return QModelIndex();
        return ViewIndex(tableIndex.row(), tableIndex.column());
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override
    {
        if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
            return QModelIndex();
        return createIndex(row, column);
    }

    QModelIndex parent(const QModelIndex&) const override { return QModelIndex(); }
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override
    {
        return !parent.isValid() && rowCount() > 0;
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        if (parent.isValid())
            return 0;
        return Filtering() ? static_cast<int>(rows_.size()) : table_.rowCount();
    }

    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : table_.columnCount();
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? ReportTableModel::CellFlags : Qt::NoItemFlags;
    }

    // The captions stand also over no rows.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override
    {
        return table_.headerData(section, orientation, role);
    }

    // The table's row of a row shown, and back (-1 where hidden).
    int TableRow(int viewRow) const
    {
        if (!Filtering())
            return viewRow;
        return viewRow >= 0 && static_cast<std::size_t>(viewRow) < rows_.size() ? rows_[static_cast<std::size_t>(viewRow)] : -1;
    }

    QModelIndex ViewIndex(int tableRow, int column) const
    {
        int row = tableRow;
        if (Filtering()) {
            const auto found = std::lower_bound(rows_.begin(), rows_.end(), tableRow);
            row = found != rows_.end() && *found == tableRow ? static_cast<int>(found - rows_.begin()) : -1;
        }
        return index(row, column);
    }

private:
    bool Filtering() const { return !needle_.empty() && table_.Shown(); }

    // The table's rows that hold the needle, of all or of those in among;
    // none listed while there is none.
    std::vector<int> Passing(const std::string& needle, bool unmatchable, const std::vector<int>* among = nullptr) const
    {
        std::vector<int> rows;
        const ReportTable* table = table_.Shown();
        if (needle.empty() || !table || unmatchable)
            return rows;
        const auto same = [this](char a, char b) {
            return fold_[static_cast<unsigned char>(a)] == static_cast<unsigned char>(b);
        };
        std::string buffer;
        const auto hold = [&](std::size_t row) {
            for (std::size_t c = 0; c < table->Columns.size(); ++c) {
                const std::string_view cell = CellText(*table, table->Rows[row], c, buffer);
                if (std::search(cell.begin(), cell.end(), needle.begin(), needle.end(), same) != cell.end())
                    return true;
            }
            return false;
        };
        if (among != nullptr) {
            std::copy_if(among->begin(), among->end(), std::back_inserter(rows),
                         [&](int row) { return hold(static_cast<std::size_t>(row)); });
            return rows;
        }
        for (std::size_t row = 0; row < table->Rows.size(); ++row)
            if (hold(row))
                rows.push_back(static_cast<int>(row));
        return rows;
    }

    const ReportTableModel& table_;
    unsigned char fold_[256] = {};
    std::string needle_;
    bool unmatchable_ = false;
    std::vector<int> rows_;  // the table's rows shown, while filtering
};

ListFilter::ListFilter(ReportTableModel& table, QWidget* parent) : QObject(parent), table_(table)
{
    proxy_ = new RowFilterModel(table, this);

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
        proxy_->SetText(text);
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
    return viewIndex.isValid() && viewIndex.model() == proxy_ ? proxy_->TableRow(viewIndex.row()) : -1;
}

QModelIndex ListFilter::ViewIndex(int tableRow) const
{
    return proxy_->ViewIndex(tableRow, 0);
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
        const RowValues& values = table->Rows[static_cast<std::size_t>(proxy_->TableRow(row))].Values;
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
