// The Linux edition speaks Japanese on a Japanese desktop and English everywhere else: every text
// it shows, the shared table's and its own, has an English translation with the same blanks.
#include "core/Platform.h"
#include "linux/system/Session.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

QString readSource(const QString &path)
{
    QFile file(QStringLiteral(LUMIDOT_SOURCE_DIR "/") + path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The texts a source file hands to the translation: the wide literals of the shared table, and
// the UTF-8 ones the Linux edition passes to uiText(), a long one as adjacent literals.
QStringList shownTexts(const QString &path, const QString &prefix)
{
    QStringList texts;
    const QString piece = QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re");
    const QRegularExpression pieces(piece);
    const QRegularExpression literal(QRegularExpression::escape(prefix) + QStringLiteral("\\s*(") +
                                     piece + QStringLiteral("(?:\\s*") + piece +
                                     QStringLiteral(")*)"));
    for (const QRegularExpressionMatch &match : literal.globalMatch(readSource(path))) {
        QString text;
        for (const QRegularExpressionMatch &part : pieces.globalMatch(match.captured(1)))
            text += part.captured(1);
        text.replace(QStringLiteral("\\r"), QStringLiteral("\r"))
            .replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        texts << text;
    }
    return texts;
}

QString shown(const QString &text)
{
    return QString::fromStdWString(sys::LocalText(text.toStdWString().c_str()));
}

TEST(TranslationTest, EveryTextIsJapaneseOnAJapaneseDesktopAndEnglishElsewhere)
{
    QStringList texts = shownTexts(QStringLiteral("core/Texts.h"), QStringLiteral("L"));
    for (const QString &file :
         {QStringLiteral("linux/app/MessageBox.cpp"), QStringLiteral("linux/app/SettingDlg.cpp"),
          QStringLiteral("linux/app/IndicatorApp.cpp")})
        texts << shownTexts(file, QStringLiteral("uiText("));
    ASSERT_GT(texts.size(), 25);

    useLanguage(QLocale(QStringLiteral("ja_JP")));
    for (const QString &text : texts)
        EXPECT_EQ(shown(text), text);

    useLanguage(QLocale(QStringLiteral("de_DE")));
    for (const QString &text : texts) {
        const QString english = shown(text);
        EXPECT_TRUE(text.isEmpty() ||
                    text.contains(QRegularExpression(QStringLiteral("^[ -~\r\n]*$"))) ||
                    english != text)
            << "no English for " << text.toStdString();
        EXPECT_EQ(english.count(QStringLiteral("%s")), text.count(QStringLiteral("%s")))
            << text.toStdString();
    }
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
