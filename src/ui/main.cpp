#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setApplicationDisplayName("Vy 3");
    QMainWindow window;
    window.show();
    return app.exec();
}
