#include "app/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zembra {
namespace {

// "zh-Hans-CN" -> "zh_CN": language and territory of a locale name, the
// script folded into them the way Qt names its translation files.
QString LanguageAndTerritory(const QString& name) {
  const QLocale locale(name);
  if (locale.language() == QLocale::C) return {};
  QString result = QLocale::languageToCode(locale.language(), QLocale::ISO639Part1);
  if (locale.language() == QLocale::Chinese) {
    // A bare "zh" is Simplified Chinese as spoken in China, which is what
    // QLocale makes of it; Traditional Chinese has its own territories.
    result += QLatin1Char('_') + QLocale::territoryToCode(locale.territory());
  } else if (name.contains(QLatin1Char('-')) || name.contains(QLatin1Char('_'))) {
    result += QLatin1Char('_') + QLocale::territoryToCode(locale.territory());
  }
  return result;
}

// Texts Qt shows that its Chinese catalogue of this Qt version lacks.
class ChineseTextGaps final : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
    Q_UNUSED(disambiguation);
    Q_UNUSED(n);
    struct Gap {
      const char* context;
      const char* source;
      const char* text;
    };
    static constexpr Gap kGaps[] = {
        {"QAbstractFileIconProvider", "Folder", "文件夹"},
        {"QAbstractFileIconProvider", "Drive", "驱动器"},
        {"QAbstractFileIconProvider", "Shortcut", "快捷方式"},
        {"QAbstractFileIconProvider", "Unknown", "未知"},
    };
    for (const Gap& gap : kGaps)
      if (qstrcmp(context, gap.context) == 0 && qstrcmp(source, gap.source) == 0) return QString::fromUtf8(gap.text);
    return {};
  }
};

}  // namespace

QString UiLanguage::Choose(const QStringList& userLanguages, const QStringList& available) {
  for (const QString& wanted : userLanguages) {
    const QString name = LanguageAndTerritory(wanted);
    if (name.isEmpty()) continue;
    for (const QString& have : available) {
      // An exact match, or a language the program has in one form only
      // ("de" for "de_AT"). Chinese always needs its territory: the script
      // differs between them.
      const QString haveLanguage = have.section(QLatin1Char('_'), 0, 0);
      if (have == name) return have;
      if (haveLanguage != QLatin1String("zh") && haveLanguage == name.section(QLatin1Char('_'), 0, 0)) return have;
    }
  }
  return available.isEmpty() ? QStringLiteral("zh_CN") : available.front();
}

std::unique_ptr<QTranslator> UiLanguage::InstallQtTranslations(const QString& language, const QString& folder) {
  QLocale::setDefault(QLocale(language));
  const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"), from)) return nullptr;
  if (!QCoreApplication::installTranslator(translator.get())) return nullptr;
  return translator;
}

std::unique_ptr<QTranslator> UiLanguage::InstallQtTextGaps(const QString& language) {
  if (!language.startsWith(QLatin1String("zh_CN"))) return nullptr;
  auto gaps = std::make_unique<ChineseTextGaps>();
  if (!QCoreApplication::installTranslator(gaps.get())) return nullptr;
  return gaps;
}

}  // namespace zembra

