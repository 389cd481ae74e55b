#include "ui/scan_details_form.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vy {

namespace {

std::int64_t Total(const std::vector<UnreadInFile>& unread)
{
    std::int64_t n = 0;
    for (const UnreadInFile& f : unread)
        n += f.Count;
    return n;
}

QString NotListedText(int id, std::int64_t n)
{
    return QStringLiteral("%1 events %2 were not read: they are not in the event list").arg(n).arg(id);
}

}  // namespace

QString ScanDetailsText(const std::vector<UnreadInFile>& unread, const std::map<int, std::int64_t>& notListed)
{
    QString text;
    const std::int64_t total = Total(unread);
    if (total == 0) {
        text += QStringLiteral("Every connection line the scan recognised was read.\n");
    } else {
        text += QStringLiteral("%1 connection lines could not be read:\n\n").arg(total);
        text += QStringLiteral("File\tCount\tFirst\n");
        for (const UnreadInFile& f : unread)
            text += QStringLiteral("%1\t%2\t%3 %4\n")
                        .arg(f.File)
                        .arg(f.Count)
                        .arg(f.Records ? QStringLiteral("record") : QStringLiteral("line"))
                        .arg(f.First);
    }
    for (const auto& [id, n] : notListed)
        text += QStringLiteral("\n") + NotListedText(id, n) +
                QStringLiteral(". To read them, add %1 to the event IDs in Options > Configuration.\n").arg(id);
    return text;
}

QString ScanDetailsSummary(const std::vector<UnreadInFile>& unread, const std::map<int, std::int64_t>& notListed)
{
    QStringList parts;
    if (const std::int64_t total = Total(unread); total > 0)
        parts << QStringLiteral("%1 connection lines could not be read (View > Scan Details)").arg(total);
    for (const auto& [id, n] : notListed)
        parts << NotListedText(id, n) + QStringLiteral(" (Options > Configuration)");
    return parts.join(QStringLiteral("; "));
}

TScanDetails::TScanDetails(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ScanDetails"));
    setWindowTitle(QStringLiteral("Scan Details"));
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("Text"));
    text_->setReadOnly(true);  // still selectable and copyable
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    btClose_ = new QPushButton(QStringLiteral("Close"), this);
    btClose_->setObjectName(QStringLiteral("BtClose"));
    connect(btClose_, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btClose_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(text_);
    column->addLayout(buttons);
    resize(520, 300);
}

void TScanDetails::ShowDetails(const std::vector<UnreadInFile>& unread, const std::map<int, std::int64_t>& notListed)
{
    text_->setPlainText(ScanDetailsText(unread, notListed));
}

}  // namespace vy
