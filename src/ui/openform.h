#pragma once
// The Open Folder dialog: chooses the folder the next scan reads, and can
// make it the stored default at once.

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vy {

struct Settings;

class TOpenFolder : public QDialog {
    Q_OBJECT
public:
    // Works on the process-wide settings record, which must be loaded by now.
    explicit TOpenFolder(QWidget* parent);
    // Works on the given record, which must outlive the dialog.
    TOpenFolder(Settings& settings, QWidget* parent);

    QLineEdit* EditFolder() const { return m_editFolder; }
    QAction* BrowseAction() const { return m_browse; }
    QPushButton* BtOK() const { return m_btOK; }
    QPushButton* BtSetDefault() const { return m_btSetDefault; }
    QPushButton* BtCancel() const { return m_btCancel; }
    // Says what Set Default did.
    QLabel* Note() const { return m_note; }

    void BtOKClick();
    void BtSetDefaultClick();
    // Opens the folder picker where the field says, and puts a confirmed
    // folder into the field.
    void EditFolderBrowse();

    // The folder test: an existing directory. Files, missing paths and the
    // empty text fail.
    static bool IsFolder(const QString& path);

    // Where the picker opens for the field's text: that folder; for an
    // empty field the one last picked, else the root; the root for a text
    // naming no folder.
    QString PickerStart() const;

protected:
    void showEvent(QShowEvent* event) override;
    // The message box and the folder picker, apart so they can be replaced
    // where no one is there to answer them.
    virtual void ShowError(const QString& text);
    // The chosen folder, or an empty text when the user cancelled.
    virtual QString PickFolder(const QString& start);

private:
    Settings& m_settings;
    QLineEdit* m_editFolder = nullptr;
    QAction* m_browse = nullptr;
    QPushButton* m_btOK = nullptr;
    QPushButton* m_btSetDefault = nullptr;
    QPushButton* m_btCancel = nullptr;
    QLabel* m_note = nullptr;
    QString m_lastPicked;
};

}  // namespace vy
