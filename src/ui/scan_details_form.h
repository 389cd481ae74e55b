#pragma once
// View > Scan Details: each file the last scan found, with its form, the
// connections read from it, what could not be read and where it begins, the
// connection events the event list left out, and its problems. A table of
// wrapped text that can be selected and copied, and the one click the
// window offers to read what was left out.

#include <cstdint>
#include <map>
#include <vector>

#include <QDialog>
#include <QString>
#include <QStringList>

#include "scan/scan_run.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace vy {

// The table's rows as the window words them, one per file in reading order,
// cells in the order of ScanDetailsHeadings.
QStringList ScanDetailsHeadings();
std::vector<QStringList> ScanDetailsRows(const ScanResult& result);
// The short account for the status bar; empty when all was read.
QString ScanDetailsSummary(const ScanResult& result);

class TScanDetails : public QDialog {
    Q_OBJECT
public:
    explicit TScanDetails(QWidget* parent);

    void ShowDetails(const ScanResult& result);
    // While a scan runs its details are not known yet.
    void ShowRunning();
    // The offer's caption; empty hides its button.
    void SetOffer(const QString& caption);
    // The selected rows (all of them when none is) under the headings, as
    // tab-separated lines.
    QString CopiedText() const;

    QTableWidget* Table() const { return table_; }
    QLabel* Summary() const { return summary_; }
    QPushButton* BtOffer() const { return btOffer_; }
    QPushButton* BtCopy() const { return btCopy_; }

signals:
    void OfferClicked();

private:
    QLabel* summary_;
    QTableWidget* table_;
    QPushButton* btOffer_;
    QPushButton* btCopy_;
    QPushButton* btClose_;
};

}  // namespace vy
