// Starts the tool: one window over the real file system and PCRE2, and the
// event loop. No arguments are read and nothing is stored between runs.
#include "Form1.h"
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("regex-renamer"));
    QApplication::setApplicationDisplayName(renamer::Form1::kTitle);
    // The desktop entry's name without ".desktop": Wayland compositors match
    // the window to its menu entry and icon by it.
    QApplication::setDesktopFileName(QStringLiteral(RENAMER_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/regex-renamer.png")));

    // Qt's own texts (the text boxes' context menus) in Chinese, like ours,
    // where the translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    renamer::Form1 window(std::make_unique<renamer::PosixFileSystem>(), renamer::makePcre2RegularExpression);
    window.show();
    return QApplication::exec();
}
