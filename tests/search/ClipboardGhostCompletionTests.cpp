#include <gtest/gtest.h>

#include "search/ClipboardGhostCompletion.h"
#include "search/SearchTestSupport.h"
#include "support/TestSupport.h"

using namespace quellpad;
using State = ClipboardGhostCompletion::EditorState;

namespace {

State typed(const QString& text) { return State{text, text.size(), 0, false, true}; }

class GhostTest : public ::testing::Test {
protected:
    GhostTest() {
        ghost.onGhostChanged = [this](const QString& suffix, bool) { drawn.push_back(suffix); };
    }

    InMemoryDefaultsStore defaults;
    QStringList searches;
    QStringList drawn;
    ClipboardGhostCompletion ghost{defaults, [this](const QString& text) { searches.push_back(text); }};
};

} // namespace

TEST_F(GhostTest, CompletionLists) {
    EXPECT_EQ(ghost.completions(QStringLiteral("after"), QString()),
              (QStringList{"today", "yesterday", "week", "month"}));
    EXPECT_EQ(ghost.completions(QStringLiteral("before"), QStringLiteral("Y")), QStringList{QStringLiteral("yesterday")});
    EXPECT_EQ(ghost.completions(QStringLiteral("type"), QStringLiteral("j")), (QStringList{"JSON", "JSON Lines", "JWT"}));
    EXPECT_EQ(ghost.completions(QStringLiteral("type"), QStringLiteral("pr")), QStringList{QStringLiteral("GitHub PR")});
    EXPECT_EQ(ghost.completions(QStringLiteral("type"), QStringLiteral("file_p")), QStringList{QStringLiteral("File Path")});
    EXPECT_TRUE(ghost.completions(QStringLiteral("app"), QStringLiteral("sa")).isEmpty());
    const QStringList all = ghost.completions(QStringLiteral("type"), QString());
    EXPECT_EQ(all.size(), 17);
    EXPECT_EQ(all.front(), QStringLiteral("Base64"));
}

TEST_F(GhostTest, ShowsTheRestOfTheBestValue) {
    struct Case {
        const char* text;
        const char* suffix;
    };
    const Case cases[] = {
        {"after:ye", "sterday"}, {"type:j", "SON"},   {"type:pr", ""},      {"app:sa", ""},
        {"before: m", "onth"},   {"x type:ur", "L"},  {"type:json", ""},    {"after:yesterday", ""},
        {"hello", ""},           {"type:", "Base64"},  {"after:yx", ""},     {"mytype:cur", "l"},
    };
    for (const Case& c : cases) {
        ghost.textDidChange(typed(QString::fromUtf8(c.text)));
        EXPECT_EQ(ghost.ghostSuffix(), QString::fromUtf8(c.suffix)) << c.text;
    }
    // Every change was searched.
    EXPECT_EQ(searches.size(), static_cast<qsizetype>(std::size(cases)));
}

TEST_F(GhostTest, TypingOnHidesOrUpdatesTheGhost) {
    ghost.textDidChange(typed(QStringLiteral("after:y")));
    EXPECT_EQ(ghost.ghostSuffix(), QStringLiteral("esterday"));
    ghost.textDidChange(typed(QStringLiteral("after:yx")));
    EXPECT_FALSE(ghost.isShowingGhost());
    EXPECT_TRUE(ghost.isSuppressed());
    ghost.textDidChange(typed(QStringLiteral("after:y")));
    EXPECT_EQ(ghost.ghostSuffix(), QStringLiteral("esterday"));
    EXPECT_FALSE(ghost.isSuppressed());
    EXPECT_EQ(drawn, (QStringList{"esterday", "", "esterday"}));
}

TEST_F(GhostTest, CursorAwayFromTheEndShowsNothing) {
    ghost.textDidChange(typed(QStringLiteral("type:j")));
    ASSERT_TRUE(ghost.isShowingGhost());
    ghost.selectionDidChange(State{QStringLiteral("type:j"), 3, 0});
    EXPECT_FALSE(ghost.isShowingGhost());

    // While suppressed, an edit in the middle keeps the ghost hidden.
    ghost.textDidChange(State{QStringLiteral("typ:j"), 3, 0});
    EXPECT_FALSE(ghost.isShowingGhost());
    EXPECT_TRUE(ghost.isSuppressed());
    // A selection at the end is not a plain cursor either.
    ghost.textDidChange(State{QStringLiteral("type:j"), 5, 1});
    EXPECT_FALSE(ghost.isShowingGhost());
    ghost.textDidChange(typed(QStringLiteral("type:js")));
    EXPECT_EQ(ghost.ghostSuffix(), QStringLiteral("ON"));

    ghost.textDidChange(State{QStringLiteral("type:js"), 7, 0, false, false});
    EXPECT_FALSE(ghost.isShowingGhost());
}

TEST_F(GhostTest, InputMethodCompositionNeitherSearchesNorShows) {
    test::LogCapture capture;
    ghost.textDidChange(State{QStringLiteral("type:j"), 6, 0, true, true});
    EXPECT_TRUE(searches.isEmpty());
    EXPECT_FALSE(ghost.isShowingGhost());
    EXPECT_TRUE(capture.contains(LogLevel::debug, QStringLiteral("GhostCompletion"),
                                 QStringLiteral("[Ghost] hideGhost: reason='IME composing'")));
    EXPECT_TRUE(capture.contains(LogLevel::debug, QStringLiteral("GhostCompletion"),
                                 QStringLiteral("[Ghost] hideGhost: entered suppressed mode")));
}

TEST_F(GhostTest, CommandsHideAndAcceptAppends) {
    for (auto hide : {&ClipboardGhostCompletion::moveCommand, &ClipboardGhostCompletion::deleteCommand,
                      &ClipboardGhostCompletion::resignFirstResponder}) {
        ghost.textDidChange(typed(QStringLiteral("after:to")));
        ASSERT_EQ(ghost.ghostSuffix(), QStringLiteral("day"));
        (ghost.*hide)();
        EXPECT_FALSE(ghost.isShowingGhost());
        EXPECT_TRUE(ghost.isSuppressed());
    }

    EXPECT_EQ(ghost.acceptGhost(typed(QStringLiteral("after:to"))), std::nullopt);
    ghost.textDidChange(typed(QStringLiteral("error type:sq")));
    searches.clear();
    const std::optional<State> accepted = ghost.acceptGhost(typed(QStringLiteral("error type:sq")));
    ASSERT_TRUE(accepted.has_value());
    EXPECT_EQ(accepted->text, QStringLiteral("error type:sqL"));
    EXPECT_EQ(accepted->cursor, accepted->text.size());
    EXPECT_FALSE(ghost.isShowingGhost());
    EXPECT_EQ(searches, QStringList{QStringLiteral("error type:sqL")});
}
