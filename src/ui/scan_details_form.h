#pragma once
// View > Scan Details: what the last scan recognised but could not read,
// file by file, and the connection events the event list left out. Plain
// text that can be selected and copied.

#include <cstdint>
#include <map>
#include <vector>

#include <QDialog>
#include <QString>

#include "scan/scan_run.h"

class QPlainTextEdit;
class QPushButton;

namespace vy {

// The details as the window words them.
QString ScanDetailsText(const std::vector<UnreadInFile>& unread, const std::map<int, std::int64_t>& notListed);
// The same in short for the status bar; empty when all was read.
QString ScanDetailsSummary(const std::vector<UnreadInFile>& unread, const std::map<int, std::int64_t>& notListed);

class TScanDetails : public QDialog {
    Q_OBJECT
public:
    explicit TScanDetails(QWidget* parent);

    void ShowDetails(const std::vector<UnreadInFile>& unread, const std::map<int, std::int64_t>& notListed);

    QPlainTextEdit* Text() const { return text_; }
    QPushButton* BtClose() const { return btClose_; }

private:
    QPlainTextEdit* text_;
    QPushButton* btClose_;
};

}  // namespace vy
