#include "ornaLogging.h"

#include "ornaBase.h"
#include "ornaWidgetHooks.h"

#include <QIODevice>

#include <cstdio>
#include <cstdlib>
#include <cstring>

ORNALogging *ORNALogging::s_instance = nullptr;

ORNAStartupInfo &ORNAStartupInfo::instance()
{
    static ORNAStartupInfo info;
    return info;
}

ORNALogging::ORNALogging() : m_stream(new QTextStream(&m_buffer, QIODevice::WriteOnly)) {}

ORNALogging::~ORNALogging()
{
    delete m_stream;
}

void ORNALogging::create()
{
    if (s_instance)
        return;
    s_instance = new ORNALogging;
    ORNABase::addCleanupRoutine(&ORNALogging::destroy);
}

void ORNALogging::destroy()
{
    delete s_instance;
    s_instance = nullptr;
}

QTextStream &ORNALogging::stream()
{
    if (!m_buffer.isEmpty()) {
        m_stream->flush();
        m_buffer.truncate(0);
        // Re-attaching rewinds the stream, which otherwise keeps writing past the old end.
        m_stream->setString(&m_buffer, QIODevice::WriteOnly);
    }
    return *m_stream;
}

const char *ORNALogging::label(ORNAMessageType type)
{
    switch (type) {
    case ORNAWarningMessage:
        return "WARNING";
    case ORNAErrorMessage:
        return "ERROR";
    case ORNAFatalMessage:
        return "FATAL";
    default:
        return "BadMessageType";
    }
}

void ORNALogging::outputMessage(ORNAMessageType type, const char *prefix, const char *category,
                                const char *text, const char *extra, const char *sourceFile,
                                qint64 sourceLine)
{
    // Informational notes are plain lines on standard output.
    if (type == ORNAWarningMessage && std::strncmp(prefix, "ORNAInfo", 8) == 0) {
        std::fprintf(stdout, "%s\n", text);
        std::fflush(stdout);
        return;
    }
    // Only line -1 means "no position"; an empty file name with a line still prints one.
    if (sourceLine != -1)
        std::fprintf(stderr, "%s: %s(%lld):  %s %s %s %s\n", label(type),
                     sourceFile ? sourceFile : "", static_cast<long long>(sourceLine), prefix,
                     category, text, extra);
    else
        std::fprintf(stderr, "%s: %s %s %s %s\n", label(type), prefix, category, text, extra);
    std::fflush(stderr);
}

void ORNALogging::outputDebug(const char *first, const char *second, const char *sourceFile,
                              qint64 sourceLine)
{
    if (sourceLine != -1)
        std::fprintf(stdout, "DEBUG: %s(%lld):  %s %s\n", sourceFile ? sourceFile : "",
                     static_cast<long long>(sourceLine), first, second);
    else
        std::fprintf(stdout, "DEBUG:  %s %s\n", first, second);
    std::fflush(stdout);
}

void ORNALogging::criticalError(const QString &message)
{
    const ORNAWidgetHooks &widgets = ORNAWidgetHooks::instance();
    if (widgets.enterGraphicalError && widgets.enterGraphicalError()) {
        if (ORNAStartupInfo::instance().reportCriticalErrorsThroughLog) {
            if (!s_instance)
                std::exit(1);
            // One call only: a second stream() would empty the text just written.
            QTextStream &stream = s_instance->stream();
            stream << message;
            stream.flush();
            const QByteArray text = s_instance->buffer().toUtf8();
            // The line number is part of the entry's fixed form.
            outputMessage(ORNAErrorMessage, "ORNAError: ", "ORNABasics Critical Error",
                          text.constData(), "", __FILE__, 162);
            std::exit(1);
        }
        widgets.showCriticalError(message);
        std::exit(1);
    }
    std::fprintf(stderr, "ORNABasics Critical Error: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
    std::exit(1);
}
