// Generates a tree of small files, or removes one with ORNAUtils::removeDirectoryRecursively and
// prints the time taken in milliseconds.
#include "ornaUtils.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int filesPerDirectory = 1000;

int generate(const QString &root, int count)
{
    for (int index = 0; index < count; ++index) {
        const QString directory = QStringLiteral("%1/d%2").arg(root).arg(index / filesPerDirectory);
        if (index % filesPerDirectory == 0 && !QDir().mkpath(directory))
            return 1;
        QFile file(QStringLiteral("%1/f%2.txt").arg(directory).arg(index));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(QByteArray::number(index) + " small content\n");
    }
    return 0;
}

int remove(const QString &root)
{
    QElapsedTimer timer;
    timer.start();
    const bool removed = ORNAUtils::removeDirectoryRecursively(root);
    std::printf("%.1f\n", double(timer.nsecsElapsed()) / 1e6);
    return removed ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "generate") == 0)
        return generate(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "remove") == 0)
        return remove(QString::fromLocal8Bit(argv[2]));
    std::fprintf(stderr, "usage: %s generate DIR COUNT | remove DIR\n", argv[0]);
    return 2;
}
