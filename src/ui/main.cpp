#include <QApplication>

#include "ui/images.h"
#include "ui/mainform.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vy"));
    QApplication::setOrganizationName(QStringLiteral("Quillmar"));
    vy::SetApplicationTitle(QStringLiteral("Vy 3"));
    QApplication::setWindowIcon(vy::WindowImage());

    // The main window first: its creation loads the settings that the dialogs
    // created after it read.
    vy::TMain window;
    window.FormCreate();
    window.CreateDialogs();
    window.show();
    return app.exec();
}
