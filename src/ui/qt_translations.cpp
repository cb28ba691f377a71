#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vorel {

bool UseQtTranslations(bool english) {
  static QTranslator* translator = nullptr;
  if (!translator) translator = new QTranslator(QCoreApplication::instance());
  QCoreApplication::removeTranslator(translator);
  // Dates, times and numbers that Qt writes follow the language too: the machine's own way in
  // English, the Chinese way in Chinese.
  QLocale::setDefault(english ? QLocale::system() : QLocale(QLocale::Chinese, QLocale::China));
  if (english) return true;
  if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  return QCoreApplication::installTranslator(translator);
}

}  // namespace vorel
