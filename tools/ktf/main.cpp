// ktf: checks, prints, edits and compares KTF files.

#include "ornaBase.h"
#include "ornaFile.h"
#include "ornaKTFParser.h"
#include "ornaKTFValueEditor.h"
#include "ornaKTFWriter.h"
#include "ornaTree.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

const char Usage[] = "Usage: ktf check FILE...\n"
                     "       ktf dump [--raw] [--header] FILE\n"
                     "       ktf set FILE TAG[/TAG...] VALUE\n"
                     "       ktf diff A B\n"
                     "       ktf --help\n"
                     "\n"
                     "check  reads each file and reports its errors; exit 1 if any had one\n"
                     "dump   reads the file and writes its tree (--raw keeps $(...) as written)\n"
                     "set    replaces the value of one entry in the file, or adds the entry\n"
                     "diff   reads both files and reports where their trees differ\n";

int usageError(const char *problem)
{
    std::fprintf(stderr, "ktf: %s\n%s", problem, Usage);
    return 2;
}

// The reader takes a missing or unreadable file for an empty one; a misspelt path in a build
// script must not pass for a good file.
bool readable(const QString &file)
{
    const QString problem = ORNAFile::readProblem(file);
    if (problem.isEmpty())
        return true;
    std::fprintf(stderr, "ktf: cannot read %s: %s\n", file.toUtf8().constData(),
                 problem.toUtf8().constData());
    return false;
}

int check(const QStringList &files)
{
    bool allRead = true;
    for (const QString &file : files) {
        ORNAKTFParser parser(ORNAKTFParser::ExpandVariables);
        allRead = readable(file) && parser.parseFile(file, true) && allRead;
    }
    return allRead ? 0 : 1;
}

int dump(const QStringList &arguments)
{
    bool raw = false;
    bool header = false;
    QStringList files;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--raw"))
            raw = true;
        else if (argument == QLatin1String("--header"))
            header = true;
        else
            files << argument;
    }
    if (files.size() != 1)
        return usageError("dump takes one file");
    if (!readable(files.first()))
        return 1;
    ORNAKTFParser parser(raw ? ORNAKTFParser::KeepReferences : ORNAKTFParser::ExpandVariables);
    const bool read = parser.parseFile(files.first(), true);
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 1;
    QTextStream stream(&out);
    stream.setEncoding(QStringConverter::Utf8);
    ORNAKTF::write(parser.root(), stream, header);
    stream.flush();
    return read ? 0 : 1;
}

int set(const QStringList &arguments)
{
    if (arguments.size() != 3)
        return usageError("set takes a file, a tag path and a value");
    if (!readable(arguments.at(0)))
        return 1;
    const QStringList tagPath = arguments.at(1).split(QLatin1Char('/'));
    QString error;
    if (ORNAKTF::setValueInFile(arguments.at(0), tagPath, arguments.at(2), error))
        return 0;
    if (error.isEmpty())
        error = QStringLiteral("no entry ") + arguments.at(1) + QStringLiteral(" in ") +
                arguments.at(0) + QStringLiteral(" (top-level entries cannot be set)");
    std::fprintf(stderr, "ktf: %s\n", error.toUtf8().constData());
    return 1;
}

int diff(const QStringList &arguments)
{
    if (arguments.size() != 2)
        return usageError("diff takes two files");
    // Both are named when both are missing.
    if (!(readable(arguments.at(0)) & readable(arguments.at(1))))
        return 1;
    ORNAKTFParser first;
    ORNAKTFParser second;
    const bool read =
        first.parseFile(arguments.at(0), true) & second.parseFile(arguments.at(1), true);
    const bool equal = ORNAKTF::equals(first.root(), second.root(), true);
    return read && equal ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    ORNABase::initialize();
    QStringList arguments = application.arguments().mid(1);
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (arguments.isEmpty())
        return usageError("no command given");
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("check")) {
        if (arguments.isEmpty())
            return usageError("check takes at least one file");
        return check(arguments);
    }
    if (command == QLatin1String("dump"))
        return dump(arguments);
    if (command == QLatin1String("set"))
        return set(arguments);
    if (command == QLatin1String("diff"))
        return diff(arguments);
    return usageError("unknown command");
}
