#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

// What a program run to its end left behind.
struct ProgramRun {
    int exitCode = -1; // -1: it crashed or did not end in time (it was killed)
    QByteArray out;
    QByteArray err;
};

// Starts `program` in `process` (set up by the caller, e.g. its environment)
// and waits for its end; one that takes longer than `timeoutMs` is killed.
inline ProgramRun RunToEnd(QProcess& process, const QString& program, const QStringList& args,
                           int timeoutMs = 60000) {
    process.start(program, args);
    ProgramRun run;
    if (process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished();
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// Whether some process listens on the abstract Unix socket `name` (listed in
// /proc/net/unix with a leading '@'): how the programs' single-instance
// names show from outside.
inline bool AbstractSocketListening(const QString& name) {
    QFile table(QStringLiteral("/proc/net/unix"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = " @" + name.toLatin1();
    for (const QByteArray& line : table.readAll().split('\n'))
        if (line.trimmed().endsWith(wanted))
            return true;
    return false;
}

} // namespace testsupport
