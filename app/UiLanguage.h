#pragma once
// The language of the user interface. The program's own texts are
// Simplified Chinese; Qt's texts (standard buttons, file dialogs, context
// menus) follow the same choice, so that one window never mixes two
// languages: the user's language when the program has it, Chinese when
// the user's locale names no language the program has.
#include <QString>
#include <QStringList>
#include <memory>

class QTranslator;

namespace zembra {

class UiLanguage {
 public:
  // The languages the program's own texts exist in, best first.
  static QStringList ProgramLanguages() { return {QStringLiteral("zh_CN")}; }

  // The first of the user's languages (as QLocale::uiLanguages() lists
  // them: "de-DE", "zh-Hans-CN", "zh") that the program has, else the
  // program's first language. "zh" and "zh-Hans-*" name Simplified Chinese;
  // "zh-TW" and "zh-Hant-*" do not.
  static QString Choose(const QStringList& userLanguages, const QStringList& available);

  // Makes `language` the default locale and installs Qt's own translations
  // of it from `folder` (Qt's translations folder when empty). Returns the
  // installed translator, or null when Qt has no translations for it there;
  // it stays in force as long as it lives.
  static std::unique_ptr<QTranslator> InstallQtTranslations(const QString& language, const QString& folder = {});

  // The few texts of Qt's file dialog that Qt's own Chinese translations
  // leave in English (the type column's "Folder"), for as long as the
  // returned translator lives. Null for a language without such gaps.
  static std::unique_ptr<QTranslator> InstallQtTextGaps(const QString& language);
};

}  // namespace zembra
