// The peer for start-up: the least a Qt widget program does to show a window of the player's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(195, 108);
    window.show();
    return application.exec();
}
