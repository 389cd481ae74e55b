#include "ui/help_viewer.h"

#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vy {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Vy 3 Help"));
    resize(640, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpText"));
    // Links inside the help move within it; nothing outside is opened.
    browser_->setOpenExternalLinks(false);
    browser_->setOpenLinks(true);
    layout->addWidget(browser_);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

bool HelpViewer::Open(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // The help file is single-byte text like every file of the program; a
    // help file far beyond any real one is not read whole.
    constexpr qint64 limit = 8 * 1024 * 1024;
    const QByteArray bytes = in.read(limit);
    if (in.error() != QFileDevice::NoError)
        return false;
    file_ = file;
    browser_->setSearchPaths({QFileInfo(file).absolutePath()});
    browser_->setHtml(QString::fromLatin1(bytes));
    return true;
}

}  // namespace vy
