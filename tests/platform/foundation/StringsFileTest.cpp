#include "platform/foundation/StringsFile.h"
#include "tests/support/LogCapture.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

TEST(StringsFile, ParsesCommentsEscapesBareWordsAndSelfKeys)
{
    const QByteArray text = R"(/* The window title */
"Sunnyside" = "Sonnenseite"; // trailing comment
"Say \"hi\"" = "Sag \"hallo\"\n\tund \\ tschüss";
Enable = Aktivieren;
"OK";
"Smile" = "\U263A \UD83D\UDE00";
/* a comment with "quotes" = "and;" inside */
"Last"="Letzte";)";
    bool ok = false;
    const StringsFile::Table table = StringsFile::parse(text, "test", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(table, (StringsFile::Table{{"Sunnyside", "Sonnenseite"}, {"Say \"hi\"", "Sag \"hallo\"\n\tund \\ tschüss"},
                                         {"Enable", "Aktivieren"}, {"OK", "OK"}, {"Smile", "☺ 😀"}, {"Last", "Letzte"}}));
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    EXPECT_EQ(StringsFile::parse(encoder(QStringLiteral("\"Quit\" = \"Beenden\";")), "utf16").value("Quit"), "Beenden");
    for (const char* empty : {"", "// nothing\n/* here */\n"}) { // valid and empty
        EXPECT_TRUE(StringsFile::parse(empty, "empty", &ok).isEmpty());
        EXPECT_TRUE(ok);
    }
}

TEST(StringsFile, SyntaxErrorsGiveAnEmptyTableAndSayWhere)
{
    const struct { const char* text; int line; } cases[] = {
        {"\"a\" = \"b\";\n\"c\" = \"d\"\n", 3},   // missing semicolon at the end
        {"\"a\" = \"b;\n", 2},                     // unterminated string
        {"/* open comment\n\"a\" = \"b\";", 1},    // unterminated comment
        {"\"a\" = ;", 1},                          // missing value
        {"\"a\" = \"\\U12\";", 1},                 // short \U escape
    };
    for (const auto& c : cases) {
        LogCapture log;
        bool ok = true;
        EXPECT_TRUE(StringsFile::parse(c.text, "bad.strings", &ok).isEmpty()) << c.text;
        EXPECT_FALSE(ok);
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_EQ(log.lines().first().left(44), "Error: malformed strings file bad.strings, l");
        EXPECT_TRUE(log.lines().first().contains(QStringLiteral("line %1:").arg(c.line))) << log.lines().first().toStdString();
    }
}

TEST(StringsFile, AMissingFileIsAnError)
{
    LogCapture log;
    bool ok = true;
    EXPECT_TRUE(StringsFile::read("/nonexistent/Localizable.strings", &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(log.contains("Error: cannot read strings file /nonexistent/Localizable.strings"));
}
