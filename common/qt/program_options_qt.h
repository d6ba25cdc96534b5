#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <utility>

class QWidget;

// Command-line handling shared by the two programs.
namespace common {

// Answers --help (the usage text) and --version ("<program> <version>") on
// standard output. True when one of them was given: the program then ends
// with 0 before it takes a lock or opens a window.
bool AnswerInfoOptions(int argc, char** argv, const char* program, const char* usage);

// Options of the form "--name VALUE", each stored into its QString. False
// after printing the reason (unknown option, missing value) on standard error.
bool ParseValueOptions(const QStringList& args, const char* program, const char* usage,
                       std::initializer_list<std::pair<const char*, QString*>> options);

// Saves a picture of the window as the screen shows it (embedded web views
// included), else the widget's own rendering. Reports a failed save on
// standard error.
void SaveWindowPicture(QWidget& window, const QString& file, const char* program);

} // namespace common
