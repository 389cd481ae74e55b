// The report pane: the list with its copy menu, the chart below it, the note
// in their place when a scan kept nothing, the totals panel, and the tree's
// tool tips.

#include "ui/mainform.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextDocument>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/list_column_keeper.h"
#include "ui/list_filter.h"
#include "ui/report_list_view.h"
#include "ui/main_parts.h"
#include "ui/report_views.h"

namespace vy {

using namespace mainparts;

namespace {

QFont LabelFont(int pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

}  // namespace

QWidget* TMain::BuildRightPanel()
{
    // The list (with the chart below it when shown), a gap, and the totals.
    PanelRight = new QWidget(Splitter);
    PanelRight->setObjectName(QStringLiteral("PanelRight"));
    auto* pane = new QVBoxLayout(PanelRight);
    pane->setContentsMargins(0, 0, 0, 0);
    pane->setSpacing(0);

    listModel_ = new ReportTableModel(this);
    filter_ = new ListFilter(*listModel_, PanelRight);
    pane->addWidget(filter_->Edit());

    // In the list's place when a scan kept nothing: why, and the way out.
    EmptyPane = new QWidget(PanelRight);
    EmptyPane->setObjectName(QStringLiteral("EmptyPane"));
    EmptyPane->setAutoFillBackground(true);
    EmptyPane->setBackgroundRole(QPalette::Base);
    EmptyPane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    auto* empty = new QVBoxLayout(EmptyPane);
    empty->setContentsMargins(16, 16, 16, 16);
    EmptyNote = NamedLabel("EmptyNote", EmptyPane);
    EmptyNote->setAlignment(Qt::AlignCenter);
    EmptyNote->setWordWrap(true);
    EmptyNote->setForegroundRole(QPalette::Text);
    EmptyNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    EmptyOffer = new QPushButton(EmptyPane);
    EmptyOffer->setObjectName(QStringLiteral("EmptyOffer"));
    connect(EmptyOffer, &QPushButton::clicked, this, &TMain::TakeOffer);
    empty->addStretch(1);
    empty->addWidget(EmptyNote);
    empty->addWidget(EmptyOffer, 0, Qt::AlignHCenter);
    empty->addStretch(1);
    EmptyPane->hide();
    pane->addWidget(EmptyPane, 1);

    ListSplitter = new QSplitter(Qt::Vertical, PanelRight);
    ListSplitter->setObjectName(QStringLiteral("ListSplitter"));
    ListSplitter->setChildrenCollapsible(false);
    List = new ReportListView(ListSplitter);
    List->setObjectName(QStringLiteral("List"));
    List->setModel(filter_->View());
    columnKeeper_ = new ListColumnKeeper(*List, *listModel_, [this] { return session_ ? session_->ReportKind : 0; });
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several rows can be selected for copying; a click, a double click and
    // the arrow keys still select one.
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setIconSize(QSize(16, 16));
    List->setSortingEnabled(false);
    List->header()->setSectionsClickable(true);
    List->header()->setStretchLastSection(false);
    List->header()->setSortIndicatorShown(true);
    List->header()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(List->header(), &QHeaderView::sectionClicked, this, &TMain::ListColumnClick);
    connect(List, &QAbstractItemView::doubleClicked, this, [this] { ListDblClick(); });
    ListCopy = new QAction(QStringLiteral("&Copy"), List);
    ListCopy->setObjectName(QStringLiteral("ListCopy"));
    ListCopy->setShortcut(QKeySequence::Copy);
    ListCopy->setShortcutContext(Qt::WidgetShortcut);
    connect(ListCopy, &QAction::triggered, this, &TMain::ListCopyClick);
    ListCopyTotals = new QAction(QStringLiteral("Copy &Totals"), List);
    ListCopyTotals->setObjectName(QStringLiteral("ListCopyTotals"));
    connect(ListCopyTotals, &QAction::triggered, this, &TMain::ListCopyTotalsClick);
    List->addActions({ListCopy, ListCopyTotals});
    List->setContextMenuPolicy(Qt::ActionsContextMenu);
    pane->addWidget(ListSplitter, 1);

    PanelSplit = new QWidget(PanelRight);
    PanelSplit->setObjectName(QStringLiteral("PanelSplit"));
    PanelSplit->setFixedHeight(PanelSplitHeight);
    pane->addWidget(PanelSplit);

    PanelTotal = new QFrame(PanelRight);
    PanelTotal->setObjectName(QStringLiteral("PanelTotal"));
    PanelTotal->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelTotal->setLineWidth(2);
    PanelTotal->setAutoFillBackground(true);
    PanelTotal->setBackgroundRole(QPalette::Window);
    PanelTotal->setMinimumHeight(TotalPanelHeight);
    PanelTotal->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* totals = new QVBoxLayout(PanelTotal);
    const int inset = TotalsInset - PanelTotal->frameWidth();
    totals->setContentsMargins(inset, 8 - PanelTotal->frameWidth(), inset, 4);
    totals->setSpacing(3);
    LabelTotalSel = NamedLabel("LabelTotalSel", PanelTotal);
    LabelTotalSel->setFont(LabelFont(23));
    SetTextColor(*LabelTotalSel, QPalette::WindowText, Legible(QColor(0x80, 0x00, 0x00), PanelTotal->palette()));
    BevelLine = Line("BevelLine", PanelTotal, QFrame::Plain);
    BevelLine->setLineWidth(1);
    BevelLine->setFixedHeight(1);
    SetTextColor(*BevelLine, QPalette::WindowText, PanelTotal->palette().color(QPalette::Mid));
    BevelLine->hide();
    LabelTotal = NamedLabel("LabelTotal", PanelTotal);
    LabelTotal->setFont(LabelFont(17));
    SetTextColor(*LabelTotal, QPalette::WindowText, Legible(QColor(0x00, 0x00, 0x80), PanelTotal->palette()));
    // Long paths and totals are cut by the panel; they never widen the window.
    for (QLabel* label : {LabelTotalSel, LabelTotal})
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    totals->addWidget(LabelTotalSel);
    auto* line = new QHBoxLayout;
    line->setContentsMargins(2, 0, 2, 0);
    line->addWidget(BevelLine);
    totals->addLayout(line);
    totals->addWidget(LabelTotal);
    totals->addWidget(filter_->ShownTotals());
    // A hidden line keeps its place, so the totals do not jump.
    QSizePolicy kept = BevelLine->sizePolicy();
    kept.setRetainSizeWhenHidden(true);
    BevelLine->setSizePolicy(kept);
    pane->addWidget(PanelTotal);
    return PanelRight;
}

bool TMain::ShowTreeTip(QHelpEvent* event)
{
    QTreeWidgetItem* item = Tree->itemAt(event->pos());
    if (!item) {
        QToolTip::hideText();
        return true;
    }
    // Only a name that its pane cuts needs the tip.
    const QRect shown = Tree->visualItemRect(item);
    const int needed = Tree->iconSize().width() + 8 + Tree->fontMetrics().horizontalAdvance(item->text(0));
    if (shown.left() + needed <= Tree->viewport()->width()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), TipText(item->text(0), TipWidthLimit(Tree)), Tree->viewport(), shown);
    return true;
}

void TMain::MenuViewChartClick() { SetChartShown(!MenuViewChart->isChecked()); }

bool TMain::ChartShown() const { return MenuViewChart->isChecked(); }

void TMain::SetChartShown(bool shown)
{
    MenuViewChart->setChecked(shown);
    if (shown && !Chart) {
        // Made on first use: a hidden chart costs nothing.
        Chart = new ReportChart(ListSplitter);
        Chart->setObjectName(QStringLiteral("Chart"));
        Chart->SetMeasure(chartMeasure_);
        ListSplitter->addWidget(Chart);
        // Three fifths for the list, also before the window is laid out.
        ListSplitter->setStretchFactor(0, 3);
        ListSplitter->setStretchFactor(1, 2);
        const int height = ListSplitter->height();
        ListSplitter->setSizes({height * 3 / 5, height - height * 3 / 5});
        connect(Chart, &ReportChart::MeasureChanged, this, [this] {
            chartMeasure_ = Chart->Measure();
            UpdateChart();
        });
        connect(Chart, &ReportChart::SaveRequested, this, &TMain::SaveChartClick);
        connect(Chart, &ReportChart::RowClicked, this, &TMain::SelectListRow);
        connect(Chart, &ReportChart::RowDoubleClicked, this, [this](int row) {
            SelectListRow(row);
            ListDblClick();
        });
    }
    if (Chart)
        Chart->setVisible(shown);
    UpdateChart();
}

void TMain::SetShownMeasure(ChartMeasure measure)
{
    chartMeasure_ = measure;
    if (Chart)
        Chart->SetMeasure(measure);
}

void TMain::SelectListRow(int row)
{
    const QModelIndex index = filter_->ViewIndex(row);
    if (!session_ || !index.isValid())
        return;
    List->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    List->scrollTo(index);
}

void TMain::UpdateChart()
{
    if (!Chart || !ChartShown())
        return;
    // While a worker owns the session the chart shows nothing, as the list.
    if (!session_)
        Chart->ShowTable(nullptr, 0);
    else
        Chart->ShowTable(listModel_->Shown(), session_->ReportKind);
}


}  // namespace vy
