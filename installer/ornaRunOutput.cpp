#include "ornaRunOutput.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

bool json = false;
QElapsedTimer runClock;

// Set once standard output has been closed by its reader (`| head -1`): the work goes on,
// only the writing stops.
bool standardOutputClosed = false;

// One write per line, so that lines stay whole between the output of child processes that
// share the same standard output.
void writeLine(QByteArray bytes)
{
    if (standardOutputClosed)
        return;
    bytes.append('\n');
    std::fflush(stdout);
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EPIPE)
            standardOutputClosed = true;
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

QJsonObject event(const char *name)
{
    return QJsonObject{{QStringLiteral("event"), QString::fromLatin1(name)}};
}

QJsonObject textEvent(const char *name, const QString &text)
{
    QJsonObject object = event(name);
    object.insert(QStringLiteral("text"), text);
    return object;
}

} // namespace

void ORNARunOutput::useJson()
{
    json = true;
    runClock.start();
}

bool ORNARunOutput::isJson()
{
    return json;
}

void ORNARunOutput::message(const QString &text)
{
    if (json)
        writeEvent(textEvent("message", text));
    else
        writeLine(text.toUtf8());
}

void ORNARunOutput::error(const QString &text)
{
    if (json)
        writeEvent(textEvent("error", text));
    else
        writeLine(text.toUtf8());
}

void ORNARunOutput::errorBeforeStart(const QString &text)
{
    if (json) {
        writeEvent(textEvent("error", text));
        return;
    }
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void ORNARunOutput::start(const QString &product, const QString &version, const QString &target,
                          int files)
{
    if (!json)
        return;
    QJsonObject object = event("start");
    object.insert(QStringLiteral("product"), product);
    object.insert(QStringLiteral("version"), version);
    object.insert(QStringLiteral("target"), target);
    if (files >= 0)
        object.insert(QStringLiteral("files"), files);
    writeEvent(object);
}

void ORNARunOutput::file(int index, int total, const QString &path)
{
    if (!json)
        return;
    QJsonObject object = event("file");
    object.insert(QStringLiteral("index"), index);
    object.insert(QStringLiteral("total"), total);
    object.insert(QStringLiteral("path"), path);
    writeEvent(object);
}

void ORNARunOutput::end(int exitCode)
{
    if (!json)
        return;
    QJsonObject object = event("end");
    object.insert(QStringLiteral("exitCode"), exitCode);
    object.insert(QStringLiteral("seconds"), double(runClock.elapsed()) / 1000.0);
    writeEvent(object);
}

void ORNARunOutput::plan(const QJsonObject &fields)
{
    QJsonObject object = fields;
    object.insert(QStringLiteral("event"), QStringLiteral("plan"));
    writeEvent(object);
}

void ORNARunOutput::writeEvent(const QJsonObject &event)
{
    writeLine(QJsonDocument(event).toJson(QJsonDocument::Compact));
}
