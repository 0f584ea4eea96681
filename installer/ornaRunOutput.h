#ifndef ORNARUNOUTPUT_H
#define ORNARUNOUTPUT_H

#include <QString>

class QJsonObject;

// What a run writes to standard output: its log as text lines, or with --progress=json one
// compact JSON object per line for the programs that follow an unattended run. Process-wide,
// since there is one standard output; text unless main switches to JSON.
class ORNARunOutput
{
public:
    // Switches to JSON events and starts the clock of the end event.
    static void useJson();
    static bool isJson();

    // A log line: the text itself, or a message or error event.
    static void message(const QString &text);
    static void error(const QString &text);
    // An error of the run that text mode prints to standard error.
    static void errorBeforeStart(const QString &text);

    // Events only JSON mode writes. A negative file count leaves the count out.
    static void start(const QString &product, const QString &version, const QString &target,
                      int files);
    static void file(int index, int total, const QString &path);
    static void end(int exitCode);
    // A dry run's plan: the given values in one plan event.
    static void plan(const QJsonObject &fields);

private:
    static void writeEvent(const QJsonObject &event);
};

#endif // ORNARUNOUTPUT_H
