#include "search/SearchDifferentialHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "settings/PreferenceKeys.h"
#include "platform/DefaultsStore.h"
#include "search/ClipboardSearchQueryParser.h"
#include "search/SearchTestSupport.h"

namespace quellpad::test {

namespace {

// Words that share prefixes, so one- and two-letter queries hit many items at once.
const char* const words[] = {
    "config", "configure", "confirm", "con", "co", "cost", "server", "serve", "service", "set", "session", "search",
    "user", "users", "use", "useful", "meeting", "meet", "me", "project", "pro", "prod", "report", "re", "review",
    "deploy", "delta", "de", "a", "an", "and", "alpha", "at", "the", "there", "then", "in", "index", "invoice", "id",
    "data", "date", "status", "state", "st", "token", "to", "today", "travel", "internationalization",
    "infrastructureengineering", "authentication", "zebra", "quartz", "x", "xy", "xyz",
};
const char* const identifiers[] = {"user_id", "created_at", "order_id", "self.user", "obj->next", "a::b", "i++",
                                   "foo-bar", "x=1", "path/to/file", "C++", "--flag", "#tag", "50%", "$HOME",
                                   "a.b.c", "(1,2)", "[x]", "{k: v}", "e-mail", "\"quoted\"", "it's"};
const char* const links[] = {"https://github.com/org/repo/pull/12", "http://example.com/a?b=c&d=e",
                             "user@example.com", "192.168.0.1", "2024-01-05", "12:30", "docs.qt.io/qt-6/"};
const char16_t* const chinese[] = {u"中文", u"会议", u"项目", u"数据", u"客户", u"服务器", u"数据库", u"我们",
                                   u"今天", u"北京", u"剪贴板", u"历史", u"测试", u"发布", u"，", u"。"};
const char16_t* const mixed[] = {
    u"привет", u"Привет", u"мир", u"αβγ", u"Ελλάδα", u"café", u"CAFÉ", u"naïve", u"cafe\u0301", u"Straße",
    u"ＡＢＣ", u"ａｂｃ", u"👍", u"👍🏽", u"🇩🇪", u"👨‍👩‍👧", u"สวัสดี", u"مرحبا", u"שלום", u"한국어", u"カタカナ",
    u"ひらがな", u"x\u0308y", u"Ⅻ", u"①②", u"ǅ", u"ﬁ", u"İstanbul", u"ς", u"σ",
};
const char* const pinyinQueries[] = {"zhongwen", "zhong", "zh", "huiyi", "hui", "xiangmu", "shuju", "kehu", "fuwuqi",
                                     "women", "jintian", "beijing", "jian", "lishi", "ceshi", "fabu", "shu ju",
                                     "zhong wen", "wen", "ju"};
const char* const labels[] = {"JSON", "SQL", "Link", "Text", "Work Notes", "work notes", "Secrets"};
const char* const bundles[] = {"org.mozilla.firefox", "code", "ORG.KDE.Konsole", "org.kde.konsole", "com.slack.Slack"};
const char* const filters[] = {"type:json", "type:sql", "type:image", "type:text", "type:link", "type:work-notes",
                               "type:worknotes", "type:secrets", "app:code", "app:org.kde.konsole", "after:week",
                               "after:month", "before:today", "after:yesterday", "type:unknownthing", ":json"};

template <typename T, size_t N>
const T& pick(std::mt19937& random, const T (&list)[N]) {
    return list[std::uniform_int_distribution<size_t>(0, N - 1)(random)];
}

int between(std::mt19937& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
bool chance(std::mt19937& random, double p) { return std::bernoulli_distribution(p)(random); }

QString fragment(std::mt19937& random, int kind) {
    switch (kind) {
    case 0: {
        QString word = QString::fromLatin1(pick(random, words));
        if (chance(random, 0.2)) {
            word[0] = word[0].toUpper();
        }
        return word;
    }
    case 1:
        return QString::fromLatin1(pick(random, identifiers));
    case 2:
        return QString::fromLatin1(pick(random, links));
    case 3:
        return QString::fromUtf16(pick(random, chinese));
    default:
        return QString::fromUtf16(pick(random, mixed));
    }
}

QString randomText(std::mt19937& random) {
    // Each item leans to one kind of text and mixes in others.
    const int main = between(random, 0, 4);
    const int length = chance(random, 0.1) ? between(random, 30, 120) : between(random, 1, 12);
    QString text;
    for (int i = 0; i < length; ++i) {
        const int kind = chance(random, 0.7) ? main : between(random, 0, 4);
        if (!text.isEmpty()) {
            const int separator = between(random, 0, 9);
            text += separator < 6 ? QStringLiteral(" ") : separator < 8 ? QString() : separator < 9 ? QStringLiteral("\n") : QStringLiteral("\t ");
        }
        text += fragment(random, kind);
    }
    return text;
}

// The text of a query: mostly cut from what the corpus holds, so that it hits.
QString randomQueryText(std::mt19937& random, const std::vector<ClipboardSearchIndexDocument>& corpus) {
    const ClipboardSearchIndexDocument& document = corpus[static_cast<size_t>(between(random, 0, static_cast<int>(corpus.size()) - 1))];
    const QString& source = chance(random, 0.5) ? document.normalizedText : document.compactText;
    auto cut = [&](int minimum, int maximum) {
        if (source.isEmpty()) {
            return QString::fromLatin1(pick(random, words));
        }
        const int length = std::min<int>(between(random, minimum, maximum), static_cast<int>(source.size()));
        const int start = between(random, 0, static_cast<int>(source.size()) - length);
        return source.mid(start, length);
    };
    switch (between(random, 0, 13)) {
    case 0:
        return QString::fromLatin1(pick(random, words)).left(1);
    case 1:
        return QString::fromLatin1(pick(random, words)).left(2);
    case 2:
        return QString::fromLatin1(pick(random, words)).left(3);
    case 3:
        return QString::fromLatin1(pick(random, words));
    case 4:
        return QString::fromLatin1(pick(random, words)) + QLatin1Char(' ') + QString::fromLatin1(pick(random, words));
    case 5:
        return cut(1, 4);
    case 6:
        return cut(4, 20);
    case 7:
        return cut(13, 30);
    case 8:
        return QString::fromLatin1(pick(random, identifiers));
    case 9:
        return QString::fromUtf16(pick(random, chinese)).left(between(random, 1, 2));
    case 10:
        return QString::fromLatin1(pick(random, pinyinQueries));
    case 11:
        return QString::fromUtf16(pick(random, mixed));
    case 12: {
        const char* const hostile[] = {"\"", "a\"b", "a/b", "/", "con/ser", "*", "AND", "NOT x", "co*", "qzxv",
                                       "zzzzqqq", "-", ".", "_", "a-", "(", "nothinghere", "%", "$", "#",
                                       "@", "{", "'", "+", "&"};
        return QString::fromLatin1(pick(random, hostile));
    }
    default:
        return cut(2, 3);
    }
}

QStringList idsOf(const ClipboardSearchPage& page) {
    QStringList result;
    for (const ClipboardHistoryIndexSnapshot& item : page.items) {
        result.push_back(item.id);
    }
    return result;
}

QString describe(const ClipboardSearchPage& page) {
    return QLatin1Char('[') + idsOf(page).join(QStringLiteral(", ")) + QStringLiteral("] hasMore=") +
           (page.hasMore ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace

std::vector<ClipboardSearchIndexDocument> randomCorpus(std::mt19937& random, int count, int spreadDays) {
    std::vector<ClipboardSearchIndexDocument> corpus;
    for (int i = 0; i < count; ++i) {
        ClipboardSearchSourceDocument source;
        source.id = QStringLiteral("00000000-0000-4000-8000-%1").arg(i, 12, 10, QLatin1Char('0'));
        source.searchableText = randomText(random);
        source.preview = source.searchableText.left(40);
        // Coarse times: many items share a minute, so ties fall to the doc_id.
        source.createdAt = searchTestEpoch.addSecs(60 * between(random, 0, count / 4 + 1));
        if (spreadDays > 0) {
            source.createdAt = source.createdAt.addDays(-between(random, 0, spreadDays));
        }
        if (chance(random, 0.2)) {
            source.lastAccessedAt = source.createdAt.addSecs(60 * between(random, -5, 30));
            source.accessCount = between(random, 1, 9);
        }
        source.contentType = chance(random, 0.15) ? ClipboardContentType::image : ClipboardContentType::text;
        if (chance(random, 0.8)) {
            source.bundleIdentifier = QString::fromLatin1(pick(random, bundles));
        }
        if (chance(random, 0.7)) {
            source.classification = QString::fromLatin1(pick(random, labels));
        }
        ClipboardSearchIndexConfiguration configuration;
        configuration.isPinyinIndexEnabled = chance(random, 0.6);
        corpus.push_back(ClipboardSearchIndexDocument::make(source, configuration));
    }
    return corpus;
}

std::vector<DifferentialCase> randomCases(std::mt19937& random, const std::vector<ClipboardSearchIndexDocument>& corpus,
                                          int count) {
    const int offsets[] = {0, 0, 0, 0, 1, 2, 5, 10, 49, 50, 51, 100};
    const int limits[] = {50, 50, 50, 1, 2, 10, 0};
    std::vector<DifferentialCase> cases;
    for (int i = 0; i < count; ++i) {
        DifferentialCase item;
        item.input = randomQueryText(random, corpus);
        if (chance(random, 0.15)) {
            item.input += QLatin1Char(' ') + randomQueryText(random, corpus);
        }
        if (chance(random, 0.3)) {
            item.input += QLatin1Char(' ') + QString::fromLatin1(pick(random, filters));
            if (chance(random, 0.3)) {
                item.input += QLatin1Char(' ') + QString::fromLatin1(pick(random, filters));
            }
        } else if (chance(random, 0.08)) {
            item.input = QString::fromLatin1(pick(random, filters)); // filters only
            if (chance(random, 0.5)) {
                item.input += QLatin1Char(' ') + QString::fromLatin1(pick(random, filters));
            }
        }
        item.limit = pick(random, limits);
        item.offset = pick(random, offsets);
        cases.push_back(item);
    }
    return cases;
}

void installUserLabels(DefaultsStore& defaults) {
    auto rule = [](const char* id, const char* label, bool enabled) {
        return QJsonObject{{QStringLiteral("id"), QString::fromLatin1(id)},
                           {QStringLiteral("name"), QString::fromLatin1(label)},
                           {QStringLiteral("conditionKind"), QStringLiteral("containsText")},
                           {QStringLiteral("conditionValue"), QStringLiteral("acme")},
                           {QStringLiteral("resultClassification"), QString::fromLatin1(label)},
                           {QStringLiteral("isEnabled"), enabled}};
    };
    const QJsonArray rules{rule("6F1B2C1E-2C43-4C55-9E0F-111111111111", "Work Notes", true),
                           rule("6F1B2C1E-2C43-4C55-9E0F-222222222222", "Secrets", false)};
    defaults.set(PreferenceKeys::classificationUserRules, QJsonDocument(rules).toJson());
}

std::optional<QString> firstDifference(const SearchSide& candidate, const SearchSide& reference,
                                       const std::vector<DifferentialCase>& cases, DefaultsStore& defaults,
                                       int* comparedCases) {
    int compared = 0;
    auto finish = [&](std::optional<QString> result) {
        if (comparedCases != nullptr) {
            *comparedCases = compared;
        }
        return result;
    };
    for (const DifferentialCase& item : cases) {
        // As the search service does it: text tokens joined, explicit then implicit filters.
        const ClipboardParsedSearchQuery parsed = ClipboardSearchQueryParser(defaults).parse(item.input);
        const ClipboardSearchIndexQuery query =
            ClipboardSearchIndexQuery::fromText(parsed.textTokens.join(QLatin1Char(' ')));
        std::vector<ClipboardSearchFilter> filterList = parsed.explicitFilters;
        filterList.insert(filterList.end(), parsed.implicitFilters.begin(), parsed.implicitFilters.end());
        const ClipboardSearchPage expected = reference.search(query, filterList, item.limit, item.offset);
        const ClipboardSearchPage actual = candidate.search(query, filterList, item.limit, item.offset);
        ++compared;
        if (!(actual == expected)) {
            return finish(QStringLiteral("search '%1' limit %2 offset %3: got %4, expected %5")
                              .arg(item.input)
                              .arg(item.limit)
                              .arg(item.offset)
                              .arg(describe(actual), describe(expected)));
        }
    }
    for (int offset : {0, 1, 7, 50}) {
        for (int limit : {0, 1, 10, 50}) {
            const ClipboardSearchPage expected = reference.fetchRecent(limit, offset);
            const ClipboardSearchPage actual = candidate.fetchRecent(limit, offset);
            if (!(actual == expected)) {
                return finish(QStringLiteral("recent limit %1 offset %2: got %3, expected %4")
                                  .arg(limit)
                                  .arg(offset)
                                  .arg(describe(actual), describe(expected)));
            }
        }
    }
    return finish(std::nullopt);
}

} // namespace quellpad::test
