#include "ui/openform.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "settings/settings.h"

namespace vy {

TOpenFolder::TOpenFolder(QWidget* parent) : TOpenFolder(ProcessSettings(), parent) {}

TOpenFolder::TOpenFolder(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("OpenFolder"));
    setWindowTitle(QStringLiteral("Open Folder"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    setFont(font);

    auto* label = new QLabel(QStringLiteral("Folder:"), this);
    label->move(16, 8);
    label->adjustSize();

    m_editFolder = new QLineEdit(this);
    m_editFolder->setObjectName(QStringLiteral("EditFolder"));
    m_editFolder->setGeometry(16, 32, 361, 21);
    m_browse = m_editFolder->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    m_browse->setObjectName(QStringLiteral("BrowseFolder"));
    connect(m_browse, &QAction::triggered, this, &TOpenFolder::EditFolderBrowse);
    // The button inside the field takes no focus; this reaches it by keyboard.
    m_browse->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    m_browse->setShortcutContext(Qt::WidgetShortcut);
    m_browse->setToolTip(QStringLiteral("Browse (Alt+Down)"));
    label->setBuddy(m_editFolder);

    m_btOK = new QPushButton(QStringLiteral("OK"), this);
    m_btOK->setObjectName(QStringLiteral("BtOK"));
    m_btOK->setGeometry(120, 72, 81, 25);
    m_btOK->setDefault(true);
    m_btSetDefault = new QPushButton(QStringLiteral("Set Default"), this);
    m_btSetDefault->setObjectName(QStringLiteral("BtSetDefault"));
    m_btSetDefault->setGeometry(208, 72, 81, 25);
    m_btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btCancel->setObjectName(QStringLiteral("BtCancel"));
    m_btCancel->setGeometry(296, 72, 81, 25);
    // Pressed, the buttons leave Enter to OK and the typing to the field.
    for (QPushButton* button : {m_btSetDefault, m_btCancel})
        button->setAutoDefault(false);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("Note"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setGeometry(16, 54, 361, 17);
    connect(m_editFolder, &QLineEdit::textEdited, m_note, &QLabel::clear);
    connect(m_btOK, &QPushButton::clicked, this, &TOpenFolder::BtOKClick);
    connect(m_btSetDefault, &QPushButton::clicked, this, &TOpenFolder::BtSetDefaultClick);
    connect(m_btCancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(392, 111);

    // FormCreate: the field is set once, here, and afterwards changes only by
    // typing or browsing.
    m_editFolder->setText(m_settings.LogDir.isEmpty() ? m_settings.InstallDir : m_settings.LogDir);
}

void TOpenFolder::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    m_note->clear();
    QDialog::showEvent(event);
    m_editFolder->setFocus(Qt::OtherFocusReason);
}

bool TOpenFolder::IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void TOpenFolder::BtOKClick()
{
    const QString text = m_editFolder->text();
    if (!IsFolder(text)) {
        ShowError(QStringLiteral("Folder ") + text + QStringLiteral(" not found."));
        return;
    }
    m_settings.LogDir = text;
    accept();
}

void TOpenFolder::BtSetDefaultClick()
{
    const QString text = m_editFolder->text();
    if (!IsFolder(text)) {
        ShowError(QStringLiteral("Folder ") + text + QStringLiteral(" not found."));
        return;
    }
    m_settings.LogDir = text;
    m_editFolder->setFocus(Qt::OtherFocusReason);
    try {
        SaveLogDir(m_settings);
        m_note->setText(QStringLiteral("The next start opens this folder."));
    } catch (const SettingsError& error) {
        m_note->clear();
        ShowError(QString::fromLatin1(error.what()));
    }
}

QString TOpenFolder::PickerStart() const
{
    const QString text = m_editFolder->text();
    const QString root = QDir::toNativeSeparators(QDir::rootPath());
    if (text.isEmpty())
        return m_lastPicked.isEmpty() ? root : m_lastPicked;
    return IsFolder(text) ? text : root;
}

void TOpenFolder::EditFolderBrowse()
{
    const QString chosen = PickFolder(PickerStart());
    if (chosen.isEmpty())
        return;
    const QString folder = QDir::toNativeSeparators(chosen);
    m_lastPicked = folder;
    m_editFolder->setText(folder);
}

void TOpenFolder::ShowError(const QString& text)
{
    // The text carries the folder as typed: data, never markup.
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString TOpenFolder::PickFolder(const QString& start)
{
    return QFileDialog::getExistingDirectory(this, QStringLiteral("Open Folder"), start);
}

}  // namespace vy
