#include <gtest/gtest.h>

#include "formatting/JSONLinesSyntaxHighlighter.h"
#include "formatting/SQLSyntaxHighlighter.h"
#include "formatting/SyntaxHighlighterFactory.h"

using namespace quellpad;
using C = ClipboardSystemClassification;

namespace {

TEST(SyntaxHighlighterFactory, OnlyJSONJSONLinesAndSQLAreFormattable) {
    EXPECT_NE(dynamic_cast<JSONSyntaxHighlighter*>(makeSyntaxHighlighter(C::json).get()), nullptr);
    auto lines = makeSyntaxHighlighter(C::jsonLines);
    auto* jsonLines = dynamic_cast<JSONLinesSyntaxHighlighter*>(lines.get());
    ASSERT_NE(jsonLines, nullptr);
    EXPECT_EQ(jsonLines->jsonHighlighter().theme(), SyntaxColorTheme::soft());
    auto sql = makeSyntaxHighlighter(C::sql);
    auto* sqlHighlighter = dynamic_cast<SQLSyntaxHighlighter*>(sql.get());
    ASSERT_NE(sqlHighlighter, nullptr);
    EXPECT_EQ(sqlHighlighter->theme(), SyntaxColorTheme::system());
    EXPECT_EQ(sqlHighlighter->clausePatterns().size(), 4);
    EXPECT_EQ(SQLSyntaxHighlighter::keywords().size(), 64);
    for (const C other : {C::url, C::githubPullRequest, C::markdown, C::html, C::base64, C::curlCommand}) {
        EXPECT_EQ(makeSyntaxHighlighter(other), nullptr) << rawValue(other).toStdString();
    }
    EXPECT_EQ(makeSyntaxHighlighter(std::nullopt), nullptr);
}

TEST(SyntaxColorTheme, SoftColoursFollowTheAppearance) {
    const SyntaxColorTheme& soft = SyntaxColorTheme::soft();
    EXPECT_EQ(soft.keyword.resolved(SyntaxAppearance::light), QColor::fromRgbF(0.25, 0.43, 0.67));
    EXPECT_EQ(soft.keyword.resolved(SyntaxAppearance::dark), QColor::fromRgbF(0.55, 0.72, 0.9));
    EXPECT_EQ(soft.bracket.resolved(SyntaxAppearance::dark), QColor::fromRgbF(0.79, 0.67, 0.65));
    EXPECT_EQ(soft.color(SyntaxColorRole::string).kind, SyntaxColor::Kind::label);
    EXPECT_EQ(soft.color(SyntaxColorRole::comment).kind, SyntaxColor::Kind::secondaryLabel);
    EXPECT_EQ(SyntaxColorTheme::system().color(SyntaxColorRole::property).kind, SyntaxColor::Kind::systemBlue);
    EXPECT_EQ(SyntaxColorTheme::system().color(SyntaxColorRole::punctuation).kind, SyntaxColor::Kind::systemPurple);
    EXPECT_NE(SyntaxColorTheme::system().number.resolved(SyntaxAppearance::light),
              SyntaxColorTheme::system().number.resolved(SyntaxAppearance::dark));
    EXPECT_EQ(syntaxAppearance(QStringLiteral("vibrantDark")), SyntaxAppearance::dark);
    EXPECT_EQ(syntaxAppearance(QStringLiteral("vibrantLight")), SyntaxAppearance::light);
    EXPECT_EQ(syntaxAppearance(QString()), SyntaxAppearance::light);
}

} // namespace
