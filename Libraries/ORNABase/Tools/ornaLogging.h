#ifndef ORNALOGGING_H
#define ORNALOGGING_H

#include <QString>
#include <QTextStream>

class QWidget;

// Type numbers of a log entry; anything else prints as "BadMessageType".
typedef qint32 ORNAMessageType;
enum : ORNAMessageType
{
    ORNAWarningMessage = 1,
    ORNAErrorMessage = 2,
    ORNAFatalMessage = 4,
};

// What start-up decided about reporting fatal errors (splash screen, log routing).
struct ORNAStartupInfo
{
    QWidget *splashScreen = nullptr;
    bool reportCriticalErrorsThroughLog = false;

    static ORNAStartupInfo &instance();
};

// The one process-wide logger: a buffer and a text stream that messages are assembled in.
class ORNALogging
{
public:
    static void create();
    static void destroy();
    static ORNALogging *instance() { return s_instance; }

    QTextStream &stream();
    const QString &buffer() const { return m_buffer; }

    static void outputMessage(ORNAMessageType type, const char *prefix, const char *category,
                              const char *text, const char *extra, const char *sourceFile,
                              qint64 sourceLine);
    static void outputDebug(const char *first, const char *second, const char *sourceFile,
                            qint64 sourceLine);
    [[noreturn]] static void criticalError(const QString &message);

    static const char *label(ORNAMessageType type);

private:
    ORNALogging();
    ~ORNALogging();

    QString m_buffer;
    QTextStream *m_stream;
    static ORNALogging *s_instance;
};

// Emits one entry; PIECES is a "<<" chain written into the logger's stream. Without a logger
// the chain is never evaluated.
#define ORNA_LOG_ENTRY(TYPE, PREFIX, CATEGORY, FILE, LINE, PIECES)                                 \
    do {                                                                                           \
        if (ORNALogging *ornaLogger_ = ORNALogging::instance()) {                                  \
            QTextStream &ornaStream_ = ornaLogger_->stream();                                      \
            ornaStream_ << PIECES;                                                                 \
            ornaStream_.flush();                                                                   \
            const QByteArray ornaText_ = ornaLogger_->buffer().toUtf8();                           \
            ORNALogging::outputMessage(TYPE, PREFIX, CATEGORY, ornaText_.constData(), "", FILE,    \
                                       LINE);                                                      \
        }                                                                                          \
    } while (false)

#define ORNA_ERROR(CATEGORY, PIECES)                                                               \
    ORNA_LOG_ENTRY(ORNAErrorMessage, "ORNAError: ", CATEGORY, __FILE__, __LINE__, PIECES)
#define ORNA_WARNING(CATEGORY, PIECES)                                                             \
    ORNA_LOG_ENTRY(ORNAWarningMessage, "ORNAWarning: ", CATEGORY, __FILE__, __LINE__, PIECES)
#define ORNA_INFO(CATEGORY, PIECES)                                                                \
    ORNA_LOG_ENTRY(ORNAWarningMessage, "ORNAInfo: ", CATEGORY, "", -1, PIECES)

#endif // ORNALOGGING_H
