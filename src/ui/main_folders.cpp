// The ways to a log folder besides the Open Folder dialog: File > Recent
// Folders and a folder dropped on the window.

#include "ui/mainform.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "settings/recent_folders.h"
#include "settings/settings.h"

namespace vy {

namespace {

// The first local folder among the dropped items; empty for none.
QString DroppedFolder(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isDir())
            return QDir::toNativeSeparators(QDir::cleanPath(url.toLocalFile()));
    return QString();
}

}  // namespace

void TMain::BuildRecentFolders()
{
    MenuFileRecent = new QMenu(QStringLiteral("&Recent Folders"), MenuFile);
    MenuFileRecent->setObjectName(QStringLiteral("MenuFileRecent"));
    const QList<QAction*> entries = MenuFile->actions();
    MenuFile->insertMenu(entries.value(entries.indexOf(MenuFileSave) + 1), MenuFileRecent);
    connect(MenuFileRecent, &QMenu::aboutToShow, this, &TMain::FillRecentFolders);
    setAcceptDrops(true);
}

void TMain::FillRecentFolders()
{
    MenuFileRecent->clear();
    const QStringList folders = RecentFolderList(ProcessSettings().RecentFolders);
    for (int i = 0; i < folders.size(); ++i) {
        // "&" in a folder's name is no access key.
        QString caption = QDir::toNativeSeparators(folders[i]);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = MenuFileRecent->addAction(QStringLiteral("&%1 ").arg(i + 1) + caption);
        connect(entry, &QAction::triggered, this, [this, folder = folders[i]] { OpenFolderPath(folder); });
    }
    if (folders.isEmpty())
        MenuFileRecent->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

void TMain::RememberFolder(const QString& folder)
{
    Settings& s = ProcessSettings();
    s.RecentFolders = WithRecentFolder(s.RecentFolders, folder);
}

bool TMain::OpenFolderPath(const QString& folder)
{
    // Refused while a scan runs, as the Open Folder command is.
    if (ScanRunning())
        return false;
    if (!QFileInfo(folder).isDir()) {
        ShowError(QStringLiteral("Folder ") + folder + QStringLiteral(" not found."));
        return false;
    }
    ProcessSettings().LogDir = folder;
    SetTitles(true);
    RememberFolder(folder);
    return true;
}

void TMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!ScanRunning() && !DroppedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMain::dropEvent(QDropEvent* event)
{
    const QString folder = DroppedFolder(event->mimeData());
    if (!folder.isEmpty() && OpenFolderPath(folder))
        event->acceptProposedAction();
}

}  // namespace vy
