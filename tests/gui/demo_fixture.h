#pragma once

#include "common/file_system.h"
#include "common/message_sink.h"
#include "common/program_directory.h"
#include "switcher/file_chooser.h"
#include "switcher/program_windows_qt.h"
#include "switcher/service_address.h"
#include "tests/support/recording_shell.h"
#include "tests/support/recording_sink.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace guitest {

using testsupport::RecordingShell;
using testsupport::RecordingSink;

// Stands in for the file-open dialog: keeps each request and answers with
// `answer` (nothing: the user cancelled). `whileOpen` runs as the dialog
// would, e.g. to move the current directory as a real dialog may.
class ScriptedChooser : public switcher::FileChooser {
public:
    std::optional<std::string> ChooseFileToOpen(const switcher::OpenFileRequest& request) override {
        requests.push_back(request);
        if (whileOpen)
            whileOpen();
        return answer;
    }
    std::optional<std::string> answer;
    std::function<void()> whileOpen;
    std::vector<switcher::OpenFileRequest> requests;
};

// A generated demo installation in a fresh temporary directory, made the
// program directory and the current directory (as zandrel does with --root).
class DemoInstallation {
public:
    enum class Kind { Demo, Empty }; // Empty: a program directory without the mod root

    explicit DemoInstallation(Kind kind = Kind::Demo) {
        if (kind == Kind::Demo)
            Generate();
        MakeCurrent();
    }

    bool Ok() const { return m_ok; }
    // The directory as the program takes it from --root, and the places a
    // program in it works with.
    std::string ProgramDirectory() const { return common::AbsoluteDirectory(m_dir.path().toStdString()); }
    switcher::ProgramPlaces Places() const {
        return {ProgramDirectory(), switcher::ServiceRootFrom(serviceRoot)};
    }
    // The game list service of the programs made after it is set; empty:
    // ZANDREL_SERVICE, which the tests' environment points at a closed port.
    std::string serviceRoot;
    QString Path() const { return m_dir.path(); }
    QString File(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    void WriteFile(const QString& name, const QByteArray& bytes) const {
        QDir(m_dir.path()).mkpath(QFileInfo(File(name)).path());
        QFile f(File(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    QByteArray ReadFile(const QString& name) const {
        QFile f(File(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    void Generate() {
        QProcess generator;
        generator.start(QStringLiteral(DEMO_GENERATOR), {m_dir.path()});
        m_ok = generator.waitForFinished(60000) && generator.exitStatus() == QProcess::NormalExit &&
               generator.exitCode() == 0;
    }
    void MakeCurrent() { common::ChangeCurrentDirectory(ProgramDirectory()); }

    QTemporaryDir m_dir;
    bool m_ok = true;
};

} // namespace guitest
