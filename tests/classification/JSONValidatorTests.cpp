// The UTF-16 JSON validator must accept exactly what the JSON parser accepts on the
// text's UTF-8 form (with the same nesting limit).
#include <random>

#include <gtest/gtest.h>

#include "classification/ClipboardSystemClassificationDetectors.h"
#include "classification/JSONTextValidator.h"
#include "classification/LocalClipboardClassificationService.h"

using namespace quellpad;

namespace {

bool parserAccepts(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return ClipboardClassificationDetectors::isJSONContainer(bytes.constData(), bytes.constData() + bytes.size());
}

bool validatorAccepts(const QString& text) {
    return JSONTextValidator::isContainer(text, ClipboardClassificationDetectors::maximumJSONNestingDepth);
}

class RandomJSON {
public:
    explicit RandomJSON(unsigned seed) : random_(seed) {}

    QString value(int depth) {
        switch (pick(depth > 3 ? 4 : 6)) {
        case 0: return string();
        case 1: return number();
        case 2: return QStringList{QStringLiteral("true"), QStringLiteral("false"), QStringLiteral("null")}[pick(3)];
        case 3: return string();
        case 4: {
            QStringList items;
            for (int i = pick(4); i > 0; --i) items.push_back(space() + value(depth + 1) + space());
            return QStringLiteral("[") + items.join(QLatin1Char(',')) + QStringLiteral("]");
        }
        default: {
            QStringList members;
            for (int i = pick(4); i > 0; --i) members.push_back(space() + string() + space() + QStringLiteral(":") + value(depth + 1));
            return QStringLiteral("{") + members.join(QLatin1Char(',')) + QStringLiteral("}");
        }
        }
    }

    QString mutate(QString text) {
        static const QStringList pieces{QStringLiteral("\""), QStringLiteral("\\"), QStringLiteral(","), QStringLiteral("]"),
                                        QStringLiteral("}"), QStringLiteral("\\u"), QStringLiteral("e"), QStringLiteral("-"),
                                        QStringLiteral("0"), QStringLiteral("."), QStringLiteral("\u0001"), QStringLiteral(" "),
                                        QString(QChar(0xD800)), QStringLiteral("\\uDC00"), QStringLiteral("\\uD83D")};
        const int edits = 1 + pick(2);
        for (int i = 0; i < edits && !text.isEmpty(); ++i) {
            const int at = pick(static_cast<int>(text.size()));
            switch (pick(3)) {
            case 0: text.remove(at, 1); break;
            case 1: text.insert(at, pieces[pick(static_cast<int>(pieces.size()))]); break;
            default: text.replace(at, 1, pieces[pick(static_cast<int>(pieces.size()))]);
            }
        }
        return text;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    QString space() { return QStringList{QString(), QString(), QStringLiteral(" "), QStringLiteral("\n\t"), QStringLiteral("\r")}[pick(5)]; }

    QString string() {
        static const QStringList pieces{QStringLiteral("a"), QStringLiteral("é"), QStringLiteral("😀"), QStringLiteral("\\n"),
                                        QStringLiteral("\\\""), QStringLiteral("\\/"), QStringLiteral("\\u00e9"),
                                        QStringLiteral("\\uD83D\\uDE00"), QStringLiteral("\\u0000"), QStringLiteral(" "),
                                        QStringLiteral("中")};
        QString s = QStringLiteral("\"");
        for (int i = pick(5); i > 0; --i) s += pieces[pick(static_cast<int>(pieces.size()))];
        return s + QStringLiteral("\"");
    }

    QString number() {
        static const QStringList numbers{QStringLiteral("0"), QStringLiteral("-0"), QStringLiteral("12"), QStringLiteral("-3.25"),
                                         QStringLiteral("1e5"), QStringLiteral("2.5E-3"), QStringLiteral("1e308"),
                                         QStringLiteral("1e309"), QStringLiteral("-1e400"), QStringLiteral("0.1e-400"),
                                         QStringLiteral("18446744073709551616"), QString(309, QLatin1Char('9')),
                                         QStringLiteral("1") + QString(307, QLatin1Char('0')) + QStringLiteral("e1"),
                                         QStringLiteral("0.") + QString(5, QLatin1Char('0')) + QStringLiteral("1e305")};
        return numbers[pick(static_cast<int>(numbers.size()))];
    }

    std::mt19937 random_;
};

TEST(JSONTextValidator, AcceptsExactlyWhatTheParserAccepts) {
    RandomJSON generator(17);
    int accepted = 0;
    int rejected = 0;
    for (int round = 0; round < 30'000; ++round) {
        QString text = generator.value(0);
        if (round % 2 == 1) {
            text = generator.mutate(text);
        }
        const bool expected = parserAccepts(text);
        (expected ? accepted : rejected) += 1;
        ASSERT_EQ(validatorAccepts(text), expected) << text.toStdString();
    }
    EXPECT_GT(accepted, 3000);
    EXPECT_GT(rejected, 3000);
}

TEST(JSONTextValidator, EdgeCases) {
    struct Case {
        QString text;
        bool valid;
    };
    const Case cases[] = {
        {QStringLiteral("{}"), true},
        {QStringLiteral(" [ ] "), true},
        {QStringLiteral("[01]"), false},
        {QStringLiteral("[1.]"), false},
        {QStringLiteral("[.5]"), false},
        {QStringLiteral("[+1]"), false},
        {QStringLiteral("[1e]"), false},
        {QStringLiteral("[\"\\x\"]"), false},
        {QStringLiteral("[\"\\uD800\"]"), false},
        {QStringLiteral("[\"\\uDC00\"]"), false},
        {QStringLiteral("[\"\\uD83D\\uDE00\"]"), true},
        {QStringLiteral("[\"a\tb\"]"), false},
        {QStringLiteral("{\"a\" 1}"), false},
        {QStringLiteral("{\"a\":1,}"), false},
        {QStringLiteral("[1,]"), false},
        {QStringLiteral("[1] x"), false},
        {QStringLiteral("[tru]"), false},
        {QStringLiteral("[1e400]"), false},
        {QStringLiteral("[1e-400]"), true},
        {QStringLiteral("42"), false},
        {QString(), false},
        {QStringLiteral("\uFEFF[]"), false},
        {QString(512, QLatin1Char('[')) + QString(512, QLatin1Char(']')), true},
        {QString(513, QLatin1Char('[')) + QString(513, QLatin1Char(']')), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(validatorAccepts(c.text), c.valid) << c.text.left(40).toStdString();
        EXPECT_EQ(parserAccepts(c.text), c.valid) << c.text.left(40).toStdString();
    }
}

} // namespace

// Found by fuzzing: the JSON parser takes a NUL byte for the end of its input, so
// JSON followed by NUL and anything else passed as JSON (in JWT payloads and for
// key rules) while the validator refused it.
TEST(JSONTextValidator, NulAfterTheValueIsNotJSON) {
    const QByteArray fuzzed("  [ ]  \0\0\0\0\0\0\0\0", 15);
    EXPECT_FALSE(ClipboardClassificationDetectors::isJSONContainer(fuzzed.constData(), fuzzed.constData() + fuzzed.size()));
    EXPECT_FALSE(JSONTextValidator::isContainer(QString::fromUtf8(fuzzed), 512));

    const auto encode = [](const QByteArray& part) {
        return QString::fromLatin1(part.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    };
    const QString header = encode("{\"alg\":\"HS256\"}");
    EXPECT_TRUE(ClipboardClassificationDetectors::isJWT(header + QLatin1Char('.') + encode("{\"a\":1}") + QStringLiteral(".c2ln")));
    EXPECT_FALSE(ClipboardClassificationDetectors::isJWT(header + QLatin1Char('.') + encode(QByteArray("{\"a\":1}\0x", 9)) +
                                                        QStringLiteral(".c2ln")));

    const ClipboardUserClassificationRule rule{QStringLiteral("6F1B2C1E-2C43-4C55-9E0F-111111111111"), QStringLiteral("Users"),
                                               ClipboardUserClassificationConditionKind::jsonKeyExists,
                                               QStringLiteral("userId"), QStringLiteral("User"), true};
    const LocalClipboardClassificationService service;
    EXPECT_EQ(service.classify(QStringLiteral("{\"userId\":1}"), {}, {rule}).userClassifications,
              QStringList{QStringLiteral("User")});
    EXPECT_TRUE(service.classify(QStringLiteral("{\"userId\":1}") + QChar(0) + QStringLiteral("tail"), {}, {rule})
                    .userClassifications.isEmpty());
}
