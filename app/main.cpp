// Nconfig: configures GSM/GPRS alarm communicators over a serial port.

#include "Main.h"
#include "N_About.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nconfig"));
    QApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));

    TMainFormFrm mainForm;
    CreateStartupAbout();
    mainForm.show();
    return app.exec();
}
