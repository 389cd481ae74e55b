#pragma once
// The Configuration dialog: the log language, the file pattern, the
// duplicate check, the event list and the three exclusion lists of the
// settings record.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vy {

struct Settings;

class TConfig : public QDialog {
    Q_OBJECT
public:
    // Works on the process-wide settings record.
    explicit TConfig(QWidget* parent);
    // Works on the given record, which must outlive the dialog.
    TConfig(Settings& settings, QWidget* parent);

    QTabWidget* PageControl() const { return m_pageControl; }
    QGroupBox* SelectLogLang() const { return m_selectLogLang; }
    QRadioButton* LangButton(int index) const;
    // 0 for English, 1 for German.
    int LanguageIndex() const;
    QLineEdit* EditFileFilter() const { return m_editFileFilter; }
    QLineEdit* EditEvents() const { return m_editEvents; }
    // Says how the scan would misread the event list; empty when it reads it as typed.
    QLabel* EventsNote() const { return m_eventsNote; }
    QCheckBox* ChkLogFiles() const { return m_chkLogFiles; }
    QLineEdit* EditExDmn() const { return m_editExDmn; }
    QLineEdit* EditExUsers() const { return m_editExUsers; }
    QLineEdit* EditExPorts() const { return m_editExPorts; }
    QPushButton* BtOK() const { return m_btOK; }
    QPushButton* BtCancel() const { return m_btCancel; }

    // The controls into the record, then close with the accept result; an
    // event list the scan would misread keeps the dialog open.
    void BtOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    Settings& m_settings;
    QTabWidget* m_pageControl = nullptr;
    QGroupBox* m_selectLogLang = nullptr;
    QButtonGroup* m_langGroup = nullptr;
    QLineEdit* m_editFileFilter = nullptr;
    QLineEdit* m_editEvents = nullptr;
    QLabel* m_eventsNote = nullptr;
    QCheckBox* m_chkLogFiles = nullptr;
    QLineEdit* m_editExDmn = nullptr;
    QLineEdit* m_editExUsers = nullptr;
    QLineEdit* m_editExPorts = nullptr;
    QPushButton* m_btOK = nullptr;
    QPushButton* m_btCancel = nullptr;
};

}  // namespace vy
