// Ends through criticalError in a console application; argv[1] is the message.
#include "ornaBase.h"
#include "ornaLogging.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ORNABase::initialize();
    ORNALogging::criticalError(QString::fromLocal8Bit(argc > 1 ? argv[1] : ""));
}
