// A Qt text field alone in its window, titled by its argument: it tells of its caret over AT-SPI
// (where QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1) as Qt's widgets do.
#include <QApplication>
#include <QLineEdit>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLineEdit field;
    field.setWindowTitle(app.arguments().value(1));
    field.resize(300, 30);
    field.show();
    return app.exec();
}
