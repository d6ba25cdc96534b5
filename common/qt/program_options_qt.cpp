#include "common/qt/program_options_qt.h"

#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace common {

bool AnswerInfoOptions(int argc, char** argv, const char* program, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", program, ZANDREL_VERSION);
            return true;
        }
    }
    return false;
}

bool ParseValueOptions(const QStringList& args, const char* program, const char* usage,
                       std::initializer_list<std::pair<const char*, QString*>> options) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString* target = nullptr;
        for (const auto& [name, value] : options) {
            if (arg == QLatin1String(name))
                target = value;
        }
        if (!target) {
            std::fprintf(stderr, "%s: unknown option %s\n%s", program, arg.toLocal8Bit().constData(), usage);
            return false;
        }
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "%s: %s needs a value\n", program, arg.toLocal8Bit().constData());
            return false;
        }
        *target = args[++i];
    }
    return true;
}

void SaveWindowPicture(QWidget& window, const QString& file, const char* program) {
    // The screen's pixels where the window system gives them. Wine under an X
    // server without a window manager gives the whole (black) desktop instead;
    // a picture that is not the window's size is not the window, so Qt then
    // paints the window into the picture itself.
    QPixmap picture;
    if (QScreen* screen = window.screen())
        picture = screen->grabWindow(window.winId());
    if (picture.isNull() || picture.deviceIndependentSize().toSize() != window.size())
        picture = window.grab();
    if (!picture.save(file))
        std::fprintf(stderr, "%s: cannot write %s\n", program, file.toLocal8Bit().constData());
}

} // namespace common
