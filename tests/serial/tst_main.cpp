// One executable for the serial layer: identity rules, the port component and the
// connection logic and the command-line tools, each a test class of its own.
#include <QApplication>
#include <QTest>
#include <memory>

QObject* NewTestIdentity();
QObject* NewTestComPort();
QObject* NewTestConnections();
QObject* NewTestTools();

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    for (auto make : {NewTestIdentity, NewTestComPort, NewTestConnections, NewTestTools}) {
        std::unique_ptr<QObject> test(make());
        status |= QTest::qExec(test.get(), argc, argv);
    }
    return status;
}
