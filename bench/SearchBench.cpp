// `quellpad-bench search --items N [--json] [--rounds R] [--check]`: builds a deterministic
// synthetic history of N items (English prose, code, links, JSON, SQL, about 10%
// Chinese; 20 bytes to 8 KB, median about 150 characters), rebuilds the index with
// the pinyin index on through the search service, and times every query shape
// through the service against the linear in-memory scan that simple clipboard
// managers use. With --check every answer it times is compared with the written
// statements (the reference kept with the tests), and a difference exits with 3.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "settings/PreferenceKeys.h"
#include "bench/BenchCommand.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "search/ClipboardSearchService.h"
#include "search/ClipboardSearchQueryParser.h"
#include "search/SQLiteClipboardSearchIndexStore.h"
#include "search/WrittenSearchIndexReference.h"

namespace quellpad::bench {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the whole process (the search runs on the service's thread), in ms: on
// a shared machine it shows a query's cost where the wall time shows the waiting too.
double processCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Hands the synthetic history to the service's rebuild, batch by batch as the real
// repository reads it; nothing else is used. The history must outlive it.
class SyntheticRepository final : public EmptyClipboardHistoryRepository {
public:
    explicit SyntheticRepository(const std::vector<ClipboardSearchSourceDocument>& documents) : documents_(documents) {}

    QFuture<std::vector<ClipboardSearchSourceDocument>> getSearchSourceDocuments() override {
        return QtFuture::makeReadyFuture(documents_);
    }
    void readSearchSourceDocuments(qsizetype batchSize, const SearchSourceBatchConsumer& consume) override {
        const auto step = static_cast<size_t>(std::max<qsizetype>(batchSize, 1));
        for (size_t first = 0; first < documents_.size(); first += step) {
            const auto begin = documents_.begin() + static_cast<std::ptrdiff_t>(first);
            const auto end = documents_.begin() + static_cast<std::ptrdiff_t>(std::min(documents_.size(), first + step));
            consume(std::vector<ClipboardSearchSourceDocument>(begin, end), static_cast<qint64>(documents_.size()));
        }
    }

private:
    const std::vector<ClipboardSearchSourceDocument>& documents_;
};

// ---- the synthetic history ---------------------------------------------------------

const char* const englishWords[] = {
    "the", "of", "and", "to", "in", "is", "that", "for", "it", "as", "was", "with", "be", "by", "on", "not", "he",
    "this", "are", "or", "his", "from", "at", "which", "but", "have", "an", "had", "they", "you", "were", "their",
    "one", "all", "we", "can", "her", "has", "there", "been", "if", "more", "when", "will", "would", "who", "so",
    "no", "meeting", "project", "release", "customer", "invoice", "schedule", "review", "design", "document",
    "server", "config", "deploy", "update", "report", "budget", "quarter", "feedback", "issue", "ticket", "branch",
    "morning", "afternoon", "tomorrow", "yesterday", "weekend", "holiday", "travel", "flight", "hotel", "address",
    "password", "account", "settings", "window", "keyboard", "clipboard", "history", "search", "index", "query",
    "performance", "internationalization", "infrastructure", "authentication", "notification", "configuration",
    "dashboard", "analytics", "marketing", "engineering", "contract", "agreement", "payment", "shipping", "order",
    "product", "feature", "roadmap", "milestone", "deadline", "summary", "agenda", "minutes", "question", "answer",
    "please", "thanks", "regards", "remember", "important", "urgent", "draft", "final", "version", "number",
};

const char* const identifiers[] = {
    "user", "userId", "user_id", "config", "request", "response", "handler", "buffer", "index", "count", "value",
    "result", "error", "status", "payload", "session", "token", "client", "server", "cache", "queue", "item",
    "items", "path", "url", "name", "email", "timestamp", "created_at", "updated_at", "order_id", "amount",
};

const char* const hosts[] = {"github.com", "example.com", "docs.qt.io", "news.ycombinator.com", "en.wikipedia.org",
                             "stackoverflow.com", "mail.google.com", "intranet.corp.local"};

const char* const bundles[] = {"org.mozilla.firefox", "org.gnome.TextEditor", "code", "org.kde.konsole",
                               "com.slack.Slack", "org.telegram.desktop", "libreoffice-writer", "thunderbird"};

// Common Han words (two or three characters each).
const char16_t* const chineseWords[] = {
    u"中文", u"我们", u"今天", u"明天", u"会议", u"项目", u"工作", u"时间", u"问题", u"公司", u"客户", u"需要",
    u"已经", u"可以", u"没有", u"因为", u"所以", u"如果", u"但是", u"这个", u"那个", u"什么", u"学习", u"开发",
    u"测试", u"发布", u"文档", u"设计", u"数据", u"系统", u"用户", u"服务器", u"数据库", u"搜索", u"剪贴板",
    u"历史", u"记录", u"北京", u"上海", u"朋友", u"电话", u"地址", u"邮件", u"下午", u"上午", u"周末", u"报告",
};

// Word frequencies follow Zipf's law over the common words above followed by a few
// thousand made-up ones, so a typical word occurs in a small share of the items
// (a uniform pick from a short list would put every word into a fifth of them).
class Vocabulary {
public:
    Vocabulary() {
        for (const char* word : englishWords) {
            words_.push_back(QString::fromLatin1(word));
        }
        const char* const onsets[] = {"b", "br", "c", "ch", "d", "f", "g", "gr", "k", "l", "m", "n", "p", "pl",
                                      "qu", "r", "s", "st", "t", "tr", "v", "w", "z"};
        const char* const vowels[] = {"a", "e", "i", "o", "u", "ai", "ea", "ou"};
        const char* const codas[] = {"", "n", "r", "l", "st", "m", "nd", "x"};
        std::mt19937 random(7);
        while (words_.size() < 6000) {
            QString word;
            const int syllables = 2 + static_cast<int>(random() % 2);
            for (int i = 0; i < syllables; ++i) {
                word += QString::fromLatin1(onsets[random() % std::size(onsets)]);
                word += QString::fromLatin1(vowels[random() % std::size(vowels)]);
            }
            word += QString::fromLatin1(codas[random() % std::size(codas)]);
            words_.push_back(word);
        }
        double total = 0;
        for (size_t rank = 1; rank <= words_.size(); ++rank) {
            total += 1.0 / static_cast<double>(rank);
            cumulative_.push_back(total);
        }
    }

    const QString& pick(double unit) const {
        const double target = unit * cumulative_.back();
        const auto found = std::lower_bound(cumulative_.begin(), cumulative_.end(), target);
        return words_[std::min<size_t>(static_cast<size_t>(found - cumulative_.begin()), words_.size() - 1)];
    }

private:
    std::vector<QString> words_;
    std::vector<double> cumulative_;
};

class HistoryGenerator {
public:
    explicit HistoryGenerator(quint32 seed) : random_(seed) {}

    const QString& word() { return vocabulary_.pick(unit()); }

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    double unit() { return std::uniform_real_distribution<double>(0, 1)(random_); }

    // Log-normal lengths with a median of 150 characters, cut to 20...8192.
    int length() {
        std::lognormal_distribution<double> distribution(std::log(150.0), 1.0);
        return std::clamp(static_cast<int>(distribution(random_)), 20, 8192);
    }

    template <typename T, size_t N>
    const T& pick(const T (&list)[N]) {
        return list[static_cast<size_t>(uniform(0, static_cast<int>(N) - 1))];
    }

    QString prose(int target) {
        QString text;
        while (text.size() < target) {
            QString sentence = word();
            sentence[0] = sentence[0].toUpper();
            const int words = uniform(5, 16);
            for (int i = 0; i < words; ++i) {
                sentence += QLatin1Char(' ') + word();
            }
            text += sentence + (unit() < 0.2 ? QStringLiteral(".\n") : QStringLiteral(". "));
        }
        return text;
    }

    QString code(int target) {
        QString text;
        while (text.size() < target) {
            const QString a = QString::fromLatin1(pick(identifiers));
            const QString b = QString::fromLatin1(pick(identifiers));
            switch (uniform(0, 3)) {
            case 0:
                text += QStringLiteral("if (%1 != nullptr && %2.size() > %3) {\n    return %1->%2;\n}\n")
                            .arg(a, b)
                            .arg(uniform(0, 999));
                break;
            case 1:
                text += QStringLiteral("const auto %1 = make_%2(%3);\n").arg(a, b).arg(uniform(1, 64));
                break;
            case 2:
                text += QStringLiteral("def %1_%2(self, %2):\n    self.%1 = %2\n").arg(a, b);
                break;
            default:
                text += QStringLiteral("for (int i = 0; i < %1.count; ++i) { %2[i] += %3; }\n").arg(a, b).arg(uniform(1, 9));
                break;
            }
        }
        return text;
    }

    QString url() {
        QString text = QStringLiteral("https://") + QString::fromLatin1(pick(hosts));
        const int segments = uniform(1, 5);
        for (int i = 0; i < segments; ++i) {
            text += QLatin1Char('/') + QString::fromLatin1(pick(identifiers));
        }
        if (unit() < 0.5) {
            text += QStringLiteral("?id=%1&ref=%2").arg(uniform(1, 99999)).arg(word());
        }
        return text;
    }

    QString json(int target) {
        QString text = QStringLiteral("{");
        while (text.size() < target) {
            if (text.size() > 1) {
                text += QStringLiteral(", ");
            }
            text += QStringLiteral("\"%1\": ").arg(QString::fromLatin1(pick(identifiers)));
            text += unit() < 0.5 ? QString::number(uniform(0, 100000))
                                 : QStringLiteral("\"%1 %2\"").arg(word(), word());
        }
        return text + QLatin1Char('}');
    }

    QString sql(int target) {
        QString text;
        while (text.size() < target) {
            text += QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 = %4 ORDER BY %2 DESC;\n")
                        .arg(QString::fromLatin1(pick(identifiers)), QString::fromLatin1(pick(identifiers)),
                             word())
                        .arg(uniform(1, 5000));
        }
        return text;
    }

    QString chinese(int target) {
        QString text;
        while (text.size() < target) {
            const int words = uniform(4, 12);
            for (int i = 0; i < words; ++i) {
                text += QString::fromUtf16(pick(chineseWords));
            }
            text += unit() < 0.3 ? QStringLiteral("，") : QStringLiteral("。");
            if (unit() < 0.2) {
                text += word() + QLatin1Char(' ');
            }
        }
        return text;
    }

    // Byte length stays within 20...8192: Han characters take three bytes in UTF-8.
    static QString fitBytes(QString text, int maximumBytes) {
        while (text.toUtf8().size() > maximumBytes) {
            text.chop(std::max<qsizetype>(1, text.size() / 10));
        }
        return text;
    }

    ClipboardSearchSourceDocument item(int index, const QDateTime& now) {
        ClipboardSearchSourceDocument document;
        document.id = QStringLiteral("00000000-0000-4000-8000-%1").arg(index, 12, 10, QLatin1Char('0'));
        const int target = length();
        const double kind = unit();
        if (kind < 0.10) {
            document.searchableText = chinese(target / 3 + 7);
        } else if (kind < 0.45) {
            document.searchableText = prose(target);
        } else if (kind < 0.60) {
            document.searchableText = code(target);
        } else if (kind < 0.75) {
            document.searchableText = url();
        } else if (kind < 0.88) {
            document.searchableText = json(target);
            document.classification = QStringLiteral("JSON");
        } else {
            document.searchableText = sql(target);
            document.classification = QStringLiteral("SQL");
        }
        document.searchableText = fitBytes(document.searchableText, 8192);
        document.preview = document.searchableText.left(80).simplified();
        // Spread evenly over the last 90 days.
        document.createdAt = now.addSecs(-static_cast<qint64>(unit() * 90 * 86400));
        if (unit() < 0.2) {
            document.lastAccessedAt = document.createdAt.addSecs(uniform(1, 86400));
            document.accessCount = uniform(1, 20);
        }
        document.bundleIdentifier = QString::fromLatin1(pick(bundles));
        return document;
    }

private:
    std::mt19937 random_;
    Vocabulary vocabulary_;
};

// ---- measuring -----------------------------------------------------------------------

struct Shape {
    const char* name;
    QStringList queries;
    int offset = 0;
    bool recent = false;
};

struct Figures {
    double p50 = 0;
    double p95 = 0;
    int hits = 0;
    double max = 0;
    QString slowest; // the query that took `max`
};

QString utf16(const char16_t* text) { return QString::fromUtf16(text); }

int runSearchBench(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption itemsOption(QStringLiteral("items"), QStringLiteral("Items in the synthetic history."),
                                         QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Print one JSON object."));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Runs of every query."),
                                          QStringLiteral("R"), QStringLiteral("5"));
    const QCommandLineOption directoryOption(QStringLiteral("directory"),
                                             QStringLiteral("Keep the index in this directory."), QStringLiteral("path"));
    const QCommandLineOption reuseOption(QStringLiteral("reuse"),
                                         QStringLiteral("Query the index already in --directory instead of rebuilding it "
                                                        "(for analysis; rebuild figures are then 0)."));
    const QCommandLineOption checkOption(QStringLiteral("check"),
                                         QStringLiteral("Compare every timed answer with the written statements; exit 3 "
                                                        "on a difference (meant for 10000 items)."));
    const QCommandLineOption shapesOption(QStringLiteral("shapes"),
                                          QStringLiteral("Time only these query shapes (comma-separated names)."),
                                          QStringLiteral("names"));
    parser.addOptions({itemsOption, jsonOption, roundsOption, directoryOption, reuseOption, checkOption, shapesOption});
    if (!parser.parse(QStringList{QStringLiteral("quellpad-bench search")} + arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    bool ok = false;
    const int items = parser.value(itemsOption).toInt(&ok);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    if (!ok || items < 1) {
        std::fprintf(stderr, "--items needs a positive number\n");
        return 2;
    }
    const bool json = parser.isSet(jsonOption);
    auto progress = [json](const QString& line) {
        if (!json) {
            std::fprintf(stdout, "%s\n", qPrintable(line));
            std::fflush(stdout);
        }
    };

    QTemporaryDir temporary;
    const QString directory = parser.isSet(directoryOption) ? parser.value(directoryOption) : temporary.path();
    const QString databasePath = QDir(directory).filePath(QStringLiteral("clipboard_search.sqlite"));
    const bool reuse = parser.isSet(reuseOption) && parser.isSet(directoryOption);
    if (!reuse) {
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            QFile::remove(databasePath + suffix);
        }
    }

    const QDateTime now = QDateTime::currentDateTime();
    HistoryGenerator generator(20240601);
    std::vector<ClipboardSearchSourceDocument> history;
    history.reserve(static_cast<size_t>(items));
    for (int i = 0; i < items; ++i) {
        history.push_back(generator.item(i, now));
    }
    std::vector<qsizetype> lengths;
    for (const auto& document : history) {
        lengths.push_back(document.searchableText.size());
    }
    std::nth_element(lengths.begin(), lengths.begin() + static_cast<long>(lengths.size() / 2), lengths.end());
    progress(QStringLiteral("items: %1 (median length %2 characters)").arg(items).arg(lengths[lengths.size() / 2]));

    qint64 indexedTextBytes = 0;
    for (const auto& document : history) {
        indexedTextBytes += document.searchableText.toUtf8().size();
    }

    InMemoryDefaultsStore defaults;
    defaults.set(PreferenceKeys::searchPinyinIndexEnabled, true);
    SQLiteClipboardSearchIndexStore::Environment environment;
    environment.now = [now] { return now; };
    auto store = std::make_shared<SQLiteClipboardSearchIndexStore>(databasePath, defaults, environment);
    auto repository = std::make_shared<SyntheticRepository>(history);
    ClipboardSearchService service(repository, store, ClipboardSearchIndexConfiguration{},
                                   std::make_shared<LocalClipboardClassificationService>(), defaults,
                                   std::make_unique<ClipboardSearchRuntimeMetricsRecorder>());

    // Other work on a shared machine stretches wall time; the CPU time shows the cost.
    // The peak while rebuilding, the synthetic history (resident throughout) included.
    const qint64 peakBeforeRebuild = peakResidentBytes();
    const bool peakReset = resetPeakResident();
    const std::clock_t rebuildCpuStart = std::clock();
    const Clock::time_point rebuildStart = Clock::now();
    const ClipboardSearchRebuildResult rebuilt =
        reuse ? ClipboardSearchRebuildResult{items, store->stats()} : service.rebuildIndex().result();
    const double rebuildSeconds = reuse ? 0.0 : millisecondsSince(rebuildStart) / 1000.0;
    const double rebuildCpuSeconds = static_cast<double>(std::clock() - rebuildCpuStart) / CLOCKS_PER_SEC;
    const qint64 rebuildPeakRssBytes = peakReset ? peakResidentBytes() : 0;
    progress(QStringLiteral("rebuild: %1 s (%2 s CPU), %3 documents, %4 grams, peak RSS %5 MB (%6 MB before it)")
                 .arg(rebuildSeconds, 0, 'f', 2)
                 .arg(rebuildCpuSeconds, 0, 'f', 2)
                 .arg(rebuilt.stats.documentCount)
                 .arg(rebuilt.stats.gramCount)
                 .arg(rebuildPeakRssBytes / 1048576.0, 0, 'f', 1)
                 .arg(peakBeforeRebuild / 1048576.0, 0, 'f', 1));

    // Upserts of new items, as capture does them.
    std::vector<double> upserts;
    ClipboardSearchIndexConfiguration configuration;
    configuration.isPinyinIndexEnabled = true;
    std::vector<ClipboardSearchIndexDocument> upserted;
    for (int i = 0; i < (reuse ? 0 : 200); ++i) {
        const ClipboardSearchIndexDocument document =
            ClipboardSearchIndexDocument::make(generator.item(items + i, now), configuration);
        upserted.push_back(document);
        const Clock::time_point start = Clock::now();
        store->upsert(document);
        upserts.push_back(millisecondsSince(start));
    }

    // The reference gets the same documents (classified as the service's rebuild
    // does) and the same upserts, so its doc_ids, and with them its ties, match.
    const bool check = parser.isSet(checkOption) && !reuse;
    std::unique_ptr<test::WrittenSearchIndexReference> reference;
    if (check) {
        progress(QStringLiteral("check: building the reference index"));
        const QString referencePath = QDir(directory).filePath(QStringLiteral("written_reference.sqlite"));
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            QFile::remove(referencePath + suffix);
        }
        reference = std::make_unique<test::WrittenSearchIndexReference>(referencePath, defaults, now);
        const LocalClipboardClassificationService classifier;
        const ClipboardClassificationSettings settings(defaults);
        std::vector<ClipboardSearchIndexDocument> documents;
        for (ClipboardSearchSourceDocument source : history) {
            if (source.contentType == ClipboardContentType::text && !source.searchableText.isEmpty()) {
                source.classification =
                    classifier.classify(source.searchableText, settings.enabledSystemClassifications(), settings.userRules())
                        .primaryClassification;
            }
            documents.push_back(ClipboardSearchIndexDocument::make(source, configuration));
        }
        reference->rebuild(documents);
        for (const ClipboardSearchIndexDocument& document : upserted) {
            reference->upsert(document);
        }
    }
    int differences = 0;
    auto compare = [&](const Shape& shape, const QString& query, const ClipboardSearchPage& page) {
        if (!reference) {
            return;
        }
        ClipboardSearchPage expected;
        if (shape.recent) {
            expected = reference->fetchRecent(50, 0);
        } else {
            const ClipboardParsedSearchQuery parsed = ClipboardSearchQueryParser(defaults).parse(query);
            std::vector<ClipboardSearchFilter> filters = parsed.explicitFilters;
            filters.insert(filters.end(), parsed.implicitFilters.begin(), parsed.implicitFilters.end());
            expected = reference->search(ClipboardSearchIndexQuery::fromText(parsed.textTokens.join(QLatin1Char(' '))),
                                         filters, 50, shape.offset);
        }
        if (!(expected == page)) {
            ++differences;
            std::fprintf(stderr, "check: %s '%s' differs from the written statements (%zu items, expected %zu)\n",
                         shape.name, qPrintable(query), page.items.size(), expected.items.size());
        }
    };

    const std::vector<Shape> shapes{
        {"recent", {QString()}, 0, true},
        {"prefix1", {"a", "s", "c", "p", "t", "m", "r", "d"}},
        {"prefix2", {"co", "se", "re", "pr", "th", "us", "de", "in"}},
        {"word", {"config", "meeting", "server", "invoice", "deploy", "feedback", "payload", "holiday"}},
        {"twoWords", {"user config", "project review", "server status", "weekend travel", "final report"}},
        {"longToken", {"internationalization", "infrastructure", "authentication", "configuration"}},
        {"punctuation", {"user_id", "created_at", "github.com/", "order_id =", "self.user"}},
        {"cjk2", {utf16(u"中文"), utf16(u"会议"), utf16(u"项目"), utf16(u"数据"), utf16(u"客户")}},
        {"pinyin", {"zhongwen", "huiyi", "xiangmu", "shuju", "kehu"}},
        {"filtersOnly", {"type:json after:week"}},
        {"textWithFilters", {"user type:json", "status :sql", "config app:code"}},
        {"miss", {"qzxvjk", "zzqqxx", "xylophonequartz"}},
        {"loadMore", {"config", "meeting", "server"}, 50},
        // Few FTS matches, so the bigram union runs over many rows that hold the pair.
        {"rareBigram", {"ea", "ou", "ai", "oe", "nx"}},
        // No gram to look up, and (almost) nowhere in the history.
        {"rarePunctuation", {"~", "^", "|", "@", "#"}},
        // Substrings held by some 0.1 to 2 % of the rows.
        {"mediumSubstring", {"brai", "quo", "plea", "zou", "trai"}},
    };

    const QStringList onlyShapes = parser.value(shapesOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
    QJsonObject queries;
    for (const Shape& shape : shapes) {
        if (!onlyShapes.isEmpty() && !onlyShapes.contains(QString::fromLatin1(shape.name))) {
            continue;
        }
        std::vector<double> samples;
        std::vector<double> cpuSamples;
        Figures figures;
        for (int round = 0; round < rounds; ++round) {
            for (const QString& query : shape.queries) {
                const Clock::time_point start = Clock::now();
                const double cpuStart = processCpuMilliseconds();
                const ClipboardSearchPage page =
                    shape.recent ? service.fetchRecent(0, 50).result() : service.search(query, shape.offset, 50).result();
                samples.push_back(millisecondsSince(start));
                cpuSamples.push_back(processCpuMilliseconds() - cpuStart);
                if (samples.back() > figures.max) {
                    figures.max = samples.back();
                    figures.slowest = query;
                }
                if (round == 0 && query == shape.queries.front()) {
                    figures.hits = static_cast<int>(page.items.size());
                }
                if (round == 0) {
                    compare(shape, query, page);
                }
            }
        }
        figures.p50 = percentile(samples, 50);
        figures.p95 = percentile(samples, 95);
        // What the linear in-memory scan takes for the same texts (filters left out).
        std::vector<double> shapeScans;
        qsizetype scanHits = 0;
        for (const QString& query : shape.queries) {
            const QString needle = ClipboardSearchQueryParser(defaults).parse(query).textTokens.join(QLatin1Char(' '));
            const Clock::time_point start = Clock::now();
            qsizetype matches = 0;
            for (const ClipboardSearchSourceDocument& document : history) {
                matches += document.searchableText.contains(needle, Qt::CaseInsensitive) ? 1 : 0;
            }
            shapeScans.push_back(millisecondsSince(start));
            scanHits = query == shape.queries.front() ? matches : scanHits;
        }
        const double scanP50 = percentile(shapeScans, 50);
        const double speedUp = figures.p50 > 0 ? scanP50 / figures.p50 : 0.0;
        queries[QString::fromLatin1(shape.name)] =
            QJsonObject{{QStringLiteral("p50"), figures.p50}, {QStringLiteral("p95"), figures.p95},
                        {QStringLiteral("hits"), figures.hits}, {QStringLiteral("scanP50"), scanP50}, {QStringLiteral("scanHits"), static_cast<qint64>(scanHits)},
                        {QStringLiteral("speedUpOverScan"), speedUp}, {QStringLiteral("max"), figures.max},
                        {QStringLiteral("slowest"), figures.slowest},
                        {QStringLiteral("cpuP50"), percentile(cpuSamples, 50)},
                        {QStringLiteral("cpuP95"), percentile(cpuSamples, 95)}};
        progress(QStringLiteral("%1: p50 %2 ms, p95 %3 ms (CPU %9 ms), max %4 ms ('%5'), hits %6, scan p50 %7 ms, "
                                "speed-up %8x")
                     .arg(QString::fromLatin1(shape.name), -16)
                     .arg(figures.p50, 0, 'f', 2)
                     .arg(figures.p95, 0, 'f', 2)
                     .arg(figures.max, 0, 'f', 2)
                     .arg(figures.slowest)
                     .arg(figures.hits)
                     .arg(scanP50, 0, 'f', 1)
                     .arg(speedUp, 0, 'f', 1)
                     .arg(percentile(cpuSamples, 95), 0, 'f', 2));
    }

    // The baseline: a case-insensitive substring scan over every text held in memory.
    std::vector<double> scans;
    for (int round = 0; round < rounds; ++round) {
        for (const char* query : {"config", "meeting", "server", "user_id", "qzxvjk"}) {
            const QString needle = QString::fromLatin1(query);
            const Clock::time_point start = Clock::now();
            std::vector<const ClipboardSearchSourceDocument*> matches;
            for (const ClipboardSearchSourceDocument& document : history) {
                if (document.searchableText.contains(needle, Qt::CaseInsensitive)) {
                    matches.push_back(&document);
                }
            }
            scans.push_back(millisecondsSince(start));
        }
    }

    qint64 databaseBytes = 0;
    for (const QString& suffix : {QString(), QStringLiteral("-wal")}) {
        databaseBytes += QFileInfo(databasePath + suffix).size();
    }
    const QJsonObject result{
        {QStringLiteral("items"), items},
        {QStringLiteral("rebuildSeconds"), rebuildSeconds},
        {QStringLiteral("upsertMs"),
         QJsonObject{{QStringLiteral("p50"), percentile(upserts, 50)}, {QStringLiteral("p95"), percentile(upserts, 95)}}},
        {QStringLiteral("queries"), queries},
        {QStringLiteral("baselineScanMs"),
         QJsonObject{{QStringLiteral("p50"), percentile(scans, 50)}, {QStringLiteral("p95"), percentile(scans, 95)}}},
        {QStringLiteral("databaseBytes"), databaseBytes},
        {QStringLiteral("indexedTextBytes"), indexedTextBytes},
        {QStringLiteral("checked"), check},
        {QStringLiteral("differences"), differences},
        {QStringLiteral("peakRssBytes"), std::max(peakBeforeRebuild, peakResidentBytes())},
        {QStringLiteral("rebuildPeakRssBytes"), rebuildPeakRssBytes},
    };
    if (json) {
        std::fprintf(stdout, "%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    } else {
        progress(QStringLiteral("upsert: p50 %1 ms, p95 %2 ms")
                     .arg(percentile(upserts, 50), 0, 'f', 2)
                     .arg(percentile(upserts, 95), 0, 'f', 2));
        progress(QStringLiteral("baseline scan: p50 %1 ms, p95 %2 ms")
                     .arg(percentile(scans, 50), 0, 'f', 2)
                     .arg(percentile(scans, 95), 0, 'f', 2));
        progress(QStringLiteral("database: %1 MB for %2 MB of text (%3x), peak RSS: %4 MB")
                     .arg(databaseBytes / 1048576.0, 0, 'f', 1)
                     .arg(indexedTextBytes / 1048576.0, 0, 'f', 1)
                     .arg(indexedTextBytes > 0 ? static_cast<double>(databaseBytes) / static_cast<double>(indexedTextBytes) : 0.0,
                          0, 'f', 1)
                     .arg(std::max(peakBeforeRebuild, peakResidentBytes()) / 1048576.0, 0, 'f', 1));
    }
    if (check) {
        progress(QStringLiteral("check: %1 difference(s) from the written statements").arg(differences));
    }
    return differences > 0 ? 3 : 0;
}

const BenchRegistration registration({QStringLiteral("search"),
                                      QStringLiteral("search latency: --items N [--json] [--rounds R] [--directory D [--reuse]] [--check] "
                                                     "[--shapes a,b]"),
                                      runSearchBench});

} // namespace

} // namespace quellpad::bench
