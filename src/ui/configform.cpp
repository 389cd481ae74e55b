#include "ui/configform.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>

#include "settings/event_list_text.h"
#include "settings/settings.h"

namespace vy {

namespace {

QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y)
{
    // Wide enough for any caption here; sizing to the text would measure
    // it before the page takes on the dialog's font.
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, 273, 17);
    return label;
}

QLineEdit* AddField(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(geometry);
    return field;
}

}  // namespace

TConfig::TConfig(QWidget* parent) : TConfig(ProcessSettings(), parent) {}

TConfig::TConfig(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("Config"));
    setWindowTitle(QStringLiteral("Configuration"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    setFont(font);

    m_pageControl = new QTabWidget(this);
    m_pageControl->setObjectName(QStringLiteral("PageControl"));
    m_pageControl->setGeometry(8, 8, 313, 249);

    auto* general = new QWidget;
    general->setObjectName(QStringLiteral("TabGeneral"));
    m_selectLogLang = new QGroupBox(QStringLiteral("Log Language"), general);
    m_selectLogLang->setObjectName(QStringLiteral("SelectLogLang"));
    m_selectLogLang->setGeometry(16, 16, 273, 81);
    m_langGroup = new QButtonGroup(this);
    auto* english = new QRadioButton(QStringLiteral("&English"), m_selectLogLang);
    auto* german = new QRadioButton(QStringLiteral("&Germany"), m_selectLogLang);
    english->setGeometry(8, 24, 257, 17);
    german->setGeometry(8, 48, 257, 17);
    m_langGroup->addButton(english, 0);
    m_langGroup->addButton(german, 1);
    english->setChecked(true);
    AddLabel(general, QStringLiteral("File Filter:"), 16, 112);
    m_editFileFilter = AddField(general, "EditFileFilter", QRect(16, 136, 129, 24));
    // The connection events a line must carry, beside the files they are in.
    AddLabel(general, QStringLiteral("Event IDs:"), 160, 112)->setFixedWidth(129);
    m_editEvents = AddField(general, "EditEvents", QRect(160, 136, 129, 24));
    m_editEvents->setToolTip(QStringLiteral("Five-digit event IDs separated by \";\", as 20050;20048;20272;20251"));
    m_eventsNote = new QLabel(general);
    m_eventsNote->setObjectName(QStringLiteral("EventsNote"));
    m_eventsNote->setTextFormat(Qt::PlainText);
    m_eventsNote->setWordWrap(true);
    m_eventsNote->setGeometry(16, 194, 273, 32);
    m_eventsNote->setForegroundRole(QPalette::Link);
    connect(m_editEvents, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_eventsNote->setText(EventListProblem(text)); });
    m_chkLogFiles = new QCheckBox(QStringLiteral("&Check Information from Log Files"), general);
    m_chkLogFiles->setObjectName(QStringLiteral("ChkLogFiles"));
    m_chkLogFiles->setGeometry(16, 176, 273, 17);
    m_pageControl->addTab(general, QStringLiteral("General"));

    auto* excluded = new QWidget;
    excluded->setObjectName(QStringLiteral("TabExcluded"));
    AddLabel(excluded, QStringLiteral("Excluded Domains:"), 16, 16);
    m_editExDmn = AddField(excluded, "EditExDmn", QRect(16, 40, 273, 24));
    AddLabel(excluded, QStringLiteral("Excluded Users:"), 16, 80);
    m_editExUsers = AddField(excluded, "EditExUsers", QRect(16, 104, 273, 24));
    AddLabel(excluded, QStringLiteral("Excluded Ports:"), 16, 144);
    m_editExPorts = AddField(excluded, "EditExPorts", QRect(16, 168, 273, 24));
    m_pageControl->addTab(excluded, QStringLiteral("Excluded Ranges"));
    m_pageControl->setCurrentIndex(0);

    m_btOK = new QPushButton(QStringLiteral("OK"), this);
    m_btOK->setObjectName(QStringLiteral("BtOK"));
    m_btOK->setGeometry(152, 272, 81, 25);
    m_btOK->setDefault(true);
    m_btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btCancel->setObjectName(QStringLiteral("BtCancel"));
    m_btCancel->setGeometry(240, 272, 81, 25);
    connect(m_btOK, &QPushButton::clicked, this, &TConfig::BtOKClick);
    connect(m_btCancel, &QPushButton::clicked, this, &QDialog::reject);

    QWidget::setTabOrder(m_pageControl, english);
    QWidget::setTabOrder(english, german);
    QWidget::setTabOrder(german, m_editFileFilter);
    QWidget::setTabOrder(m_editFileFilter, m_editEvents);
    QWidget::setTabOrder(m_editEvents, m_chkLogFiles);
    QWidget::setTabOrder(m_chkLogFiles, m_editExDmn);
    QWidget::setTabOrder(m_editExDmn, m_editExUsers);
    QWidget::setTabOrder(m_editExUsers, m_editExPorts);
    QWidget::setTabOrder(m_editExPorts, m_btOK);
    QWidget::setTabOrder(m_btOK, m_btCancel);

    setFixedSize(328, 305);
}

QRadioButton* TConfig::LangButton(int index) const
{
    return qobject_cast<QRadioButton*>(m_langGroup->button(index));
}

int TConfig::LanguageIndex() const
{
    return m_langGroup->checkedId() == 1 ? 1 : 0;
}

void TConfig::showEvent(QShowEvent* event)
{
    FormShow();
    // A button left with the focus by the last showing would take Enter for
    // itself; the focus goes back to the page, so that Enter presses OK.
    if (focusWidget() == nullptr || qobject_cast<QPushButton*>(focusWidget())) {
        if (m_pageControl->currentIndex() == 0)
            LangButton(LanguageIndex())->setFocus(Qt::OtherFocusReason);
        else
            m_editExDmn->setFocus(Qt::OtherFocusReason);
    }
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

// Filled afresh on every showing, so edits left by a Cancel never come back.
void TConfig::FormShow()
{
    m_editExUsers->setText(m_settings.ExcludedUsers);
    m_editExDmn->setText(m_settings.ExcludedDomains);
    m_editExPorts->setText(m_settings.ExcludedPorts);
    m_chkLogFiles->setChecked(m_settings.CheckLogFiles);
    m_editFileFilter->setText(m_settings.FileFilter);
    m_editEvents->setText(m_settings.NEvents);
    m_eventsNote->setText(EventListProblem(m_settings.NEvents));
    m_langGroup->button(m_settings.LogLanguage == QLatin1String("DE") ? 1 : 0)->setChecked(true);
}

void TConfig::BtOKClick()
{
    // Unchanged, a stored list the scan misreads is taken as it was.
    if (m_editEvents->text() != m_settings.NEvents && !EventListProblem(m_editEvents->text()).isEmpty()) {
        m_pageControl->setCurrentIndex(0);
        m_editEvents->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_settings.ExcludedUsers = m_editExUsers->text();
    m_settings.ExcludedDomains = m_editExDmn->text();
    m_settings.ExcludedPorts = m_editExPorts->text();
    m_settings.CheckLogFiles = m_chkLogFiles->isChecked();
    m_settings.FileFilter = m_editFileFilter->text();
    m_settings.NEvents = m_editEvents->text();
    m_settings.LogLanguage = LanguageIndex() == 1 ? QStringLiteral("DE") : QStringLiteral("EN");
    accept();
}

}  // namespace vy
