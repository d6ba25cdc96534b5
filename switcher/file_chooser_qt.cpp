#include "switcher/file_chooser_qt.h"

#include "common/qt/ui_text_qt.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace switcher {

namespace {

class FileDialog final : public FileChooser {
public:
    std::optional<std::string> ChooseFileToOpen(const OpenFileRequest& request) override {
        // The preset name goes after the directory, so the dialog opens there
        // with the pattern in its name box.
        QString start = QFile::decodeName(QByteArray::fromStdString(request.initialDirectory));
        if (!request.fileName.empty())
            start = QDir(start).filePath(QString::fromStdString(request.fileName));
        QFileDialog dialog(QApplication::activeWindow(), common::UiText(request.title), start,
                           QString::fromStdString(request.filter));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        std::string suffix = request.defaultExtension;
        if (const auto dot = suffix.rfind('.'); dot != std::string::npos)
            suffix.erase(0, dot + 1); // "*.ssm" -> "ssm"
        dialog.setDefaultSuffix(QString::fromStdString(suffix));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        // The path in the form the file system and the shell take it: native
        // separators, 8-bit in the local code page (ANSI on Windows).
        const QByteArray path = QFile::encodeName(QDir::toNativeSeparators(dialog.selectedFiles().front()));
        return path.toStdString();
    }
};

} // namespace

std::unique_ptr<FileChooser> MakeFileDialog() {
    return std::make_unique<FileDialog>();
}

} // namespace switcher
