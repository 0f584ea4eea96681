#ifndef LOGCAPTURE_H
#define LOGCAPTURE_H

#include <QByteArray>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Redirects standard error (where the logger prints) into a temporary file while it lives.
class LogCapture
{
public:
    LogCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    ~LogCapture() { text(); }

    // Ends the capture (once) and returns what was written.
    QByteArray text()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, 2);
            ::close(m_saved);
            m_saved = -1;
            m_file.seek(0);
            m_text = m_file.readAll();
        }
        return m_text;
    }

    // The captured text with every "file(123)" position turned into "file(N)", so expected
    // lines need not follow the line numbers of the source.
    QByteArray textWithoutLineNumbers()
    {
        QString captured = QString::fromUtf8(text());
        captured.replace(QRegularExpression(QStringLiteral("(\\.cpp)\\(\\d+\\)")),
                         QStringLiteral("\\1(N)"));
        return captured.toUtf8();
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
    QByteArray m_text;
};

#endif // LOGCAPTURE_H
