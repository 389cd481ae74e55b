#pragma once
// The program's help: the help file shown in a window of its own.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace vy {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Shows the file's text; false (and nothing changed) when it cannot be read.
    bool Open(const QString& file);
    QString File() const { return file_; }
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
    QString file_;
};

}  // namespace vy
