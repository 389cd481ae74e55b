// Back and Forward through the tables shown: by the View menu, Alt+Left and
// Alt+Right, and the mouse's side buttons anywhere in the window.

#include "ui/mainform.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>

#include "reports/date_text.h"
#include "store/stores.h"

namespace vy {

namespace {

class SideButtons : public QObject {
public:
    explicit SideButtons(TMain& window) : QObject(&window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType() ||
            static_cast<QWidget*>(watched)->window() != &window_)
            return false;
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::BackButton)
            window_.HistoryBack();
        else if (button == Qt::ForwardButton)
            window_.HistoryForward();
        else
            return false;
        return true;
    }

private:
    TMain& window_;
};

}  // namespace

void TMain::BuildHistory()
{
    MenuView->addSeparator();
    const auto add = [this](const char* name, const QString& caption, Qt::Key arrow, Qt::Key key,
                            void (TMain::*handler)()) {
        QAction* action = MenuView->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts({QKeySequence(Qt::ALT | arrow), QKeySequence(key)});
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(false);
        addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    MenuViewBack = add("MenuViewBack", QStringLiteral("&Back"), Qt::Key_Left, Qt::Key_Back, &TMain::HistoryBack);
    MenuViewForward = add("MenuViewForward", QStringLiteral("&Forward"), Qt::Key_Right,
                          Qt::Key_Forward, &TMain::HistoryForward);
    qApp->installEventFilter(new SideButtons(*this));
}

void TMain::HistoryBack()
{
    if (HeldWhileBusy([this] { HistoryBack(); }))
        return;
    if (const auto node = history_.Back())
        ShowNode(*node);
}

void TMain::HistoryForward()
{
    if (HeldWhileBusy([this] { HistoryForward(); }))
        return;
    if (const auto node = history_.Forward())
        ShowNode(*node);
}

void TMain::ShowNode(int node)
{
    const Stores& stores = ProcessStores();
    RunReportCommand({false, static_cast<std::size_t>(stores.Connections.Count()),
                      QStringLiteral("Building the table\u2026"),
                      [&stores, node](ReportSession& session, const std::stop_token&) {
                          return vy::TreeClick(session, stores, node, ProcessDateTexts());
                      },
                      nullptr});
}

void TMain::ResetHistory()
{
    history_.Reset(session_->Tree.Empty() ? -1 : session_->CurrentNode);
    NoteShownNode();
}

void TMain::NoteShownNode()
{
    if (session_->ReportShown)
        history_.Shown(session_->CurrentNode);
    MenuViewBack->setEnabled(history_.CanGoBack());
    MenuViewForward->setEnabled(history_.CanGoForward());
}

}  // namespace vy
