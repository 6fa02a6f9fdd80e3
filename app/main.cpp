#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Nconfig"));
    label.setObjectName(QStringLiteral("MainFormFrm"));
    label.resize(847, 591);
    label.show();
    return app.exec();
}
