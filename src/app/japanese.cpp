#include "app/japanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "log/log.h"

namespace korvalo {

bool speakJapanese()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder)) {
        korvalo::log::print("korvalo: no qtbase_ja.qm in %s: the standard buttons stay English\n",
                     folder.toLocal8Bit().constData());
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace korvalo
