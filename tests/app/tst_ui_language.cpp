// One language in every window: which language the user interface takes
// for a user's locale, and that Qt's own texts (standard buttons, the file
// dialog) then come from Qt's translations, as installed by Debian, with
// the few texts these lack filled in.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTranslator>

#include "app/UiLanguage.h"

namespace zembra {
namespace {

TEST(UiLanguage, TheUsersLanguageWhenTheProgramHasItElseChinese) {
  const QStringList chineseOnly{QStringLiteral("zh_CN")};
  const QStringList three{QStringLiteral("zh_CN"), QStringLiteral("zh_TW"), QStringLiteral("de_DE")};
  struct Case {
    QStringList user;
    QStringList available;
    const char* chosen;
  };
  const Case cases[] = {
      {{"de-DE", "en-US"}, chineseOnly, "zh_CN"},
      {{"en-US"}, chineseOnly, "zh_CN"},
      {{"C"}, chineseOnly, "zh_CN"},
      {{}, chineseOnly, "zh_CN"},
      {{"zh-TW", "zh-Hant-TW"}, chineseOnly, "zh_CN"},  // no Traditional texts: still one language
      {{"zh"}, three, "zh_CN"},
      {{"zh-Hans-CN", "zh-CN"}, three, "zh_CN"},
      {{"zh-Hant-TW", "zh-TW"}, three, "zh_TW"},
      {{"en-GB", "zh-Hant-TW"}, three, "zh_TW"},  // the first the program has wins
      {{"de-AT", "de"}, three, "de_DE"},          // one German is as good as another
      {{"zh-HK"}, three, "zh_CN"},                // Chinese needs its own territory
  };
  for (const Case& c : cases)
    EXPECT_EQ(UiLanguage::Choose(c.user, c.available), QString::fromLatin1(c.chosen)) << c.user.join(',').toStdString();
}

TEST(UiLanguage, QtsOwnTextsSpeakChinese) {
  std::unique_ptr<QTranslator> qtTexts = UiLanguage::InstallQtTranslations(QStringLiteral("zh_CN"));
  ASSERT_NE(qtTexts, nullptr) << "Qt's Chinese translations are missing (Debian: qt6-translations-l10n)";

  QMessageBox box(QMessageBox::Question, QStringLiteral("伺服运控系统"), QStringLiteral("？"),
                  QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
  EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")));
  EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")));

  QFileDialog dialog(nullptr, QStringLiteral("加载参数方案"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  QStringList labels;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
  EXPECT_TRUE(labels.join('|').contains(QStringLiteral("文件名"))) << labels.join('|').toStdString();
  for (const QString& text : labels)
    EXPECT_FALSE(text.contains(QStringLiteral("File name")) || text.contains(QStringLiteral("Look in")))
        << text.toStdString();

  // The file list's type column, which Qt's catalogue leaves in English.
  std::unique_ptr<QTranslator> gaps = UiLanguage::InstallQtTextGaps(QStringLiteral("zh_CN"));
  ASSERT_NE(gaps, nullptr);
  QTemporaryDir folder;
  EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(folder.path())), QStringLiteral("文件夹"));
  EXPECT_EQ(UiLanguage::InstallQtTextGaps(QStringLiteral("de_DE")), nullptr);

  gaps.reset();
  qtTexts.reset();  // gone with its translator
  QMessageBox plain(QMessageBox::Question, QString(), QString(), QMessageBox::Ok);
  EXPECT_EQ(plain.button(QMessageBox::Ok)->text(), QStringLiteral("OK"));
}

TEST(UiLanguage, NoTranslationsInstalledIsSaidNotFatal) {
  QTemporaryDir empty;
  ASSERT_TRUE(empty.isValid());
  EXPECT_EQ(UiLanguage::InstallQtTranslations(QStringLiteral("zh_CN"), empty.path()), nullptr);
}

}  // namespace
}  // namespace zembra
