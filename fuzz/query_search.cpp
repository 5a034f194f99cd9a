// Search-field text: the query parser, the FTS5 MATCH expression built from its
// tokens, and the ranked search over a small index. Typed text must never reach
// SQLite as FTS syntax, so a store error is a failure here.
#include <cstddef>
#include <cstdint>
#include <memory>

#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "search/ClipboardSearchQueryParser.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

using namespace quellpad;

namespace {

const QDateTime epoch = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);

struct Index {
    QTemporaryDir directory;
    InMemoryDefaultsStore defaults;
    std::unique_ptr<SQLiteClipboardSearchIndexStore> store;
};

Index& index() {
    static Index instance;
    return instance;
}

ClipboardSearchIndexDocument document(int number, const QString& text, ClipboardContentType type,
                                      const QString& classification) {
    ClipboardSearchSourceDocument source;
    source.id = QStringLiteral("00000000-0000-0000-0000-%1").arg(number, 12, 10, QLatin1Char('0'));
    source.preview = text.left(80);
    source.searchableText = text;
    source.createdAt = epoch.addSecs(3600 * number);
    source.contentType = type;
    source.bundleIdentifier = QStringLiteral("org.example.editor");
    source.classification = classification;
    ClipboardSearchIndexConfiguration configuration;
    configuration.isPinyinIndexEnabled = true;
    return ClipboardSearchIndexDocument::make(source, configuration);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    Index& shared = index();
    SQLiteClipboardSearchIndexStore::Environment environment;
    environment.now = [] { return epoch.addDays(2); };
    shared.store = std::make_unique<SQLiteClipboardSearchIndexStore>(
        shared.directory.filePath(QStringLiteral("clipboard_search.sqlite")), shared.defaults, environment);
    shared.store->upsert(document(1, QStringLiteral("https://example.com/docs?q=1"), ClipboardContentType::text,
                                  QStringLiteral("URL")));
    shared.store->upsert(document(2, QStringLiteral("SELECT id FROM items WHERE \"x\" = 'y'"),
                                  ClipboardContentType::text, QStringLiteral("SQL")));
    shared.store->upsert(document(3, QStringLiteral("你好世界 剪贴板历史"), ClipboardContentType::text, QString()));
    shared.store->upsert(document(4, QStringLiteral("Invoice 2024 café naïve"), ClipboardContentType::image,
                                  QString()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Index& shared = index();
    const ClipboardParsedSearchQuery parsed = ClipboardSearchQueryParser(shared.defaults).parse(text);
    for (const QString& token : parsed.textTokens) {
        FUZZ_CHECK(!token.isEmpty());
    }
    const ClipboardSearchIndexQuery query = ClipboardSearchIndexQuery::fromText(parsed.textTokens.join(QLatin1Char(' ')));
    (void)query.matchExpression();
    try {
        const ClipboardSearchPage page = shared.store->search(query, parsed.explicitFilters, 3, 0);
        FUZZ_CHECK(page.items.size() <= 3);
    } catch (const SQLiteClipboardSearchIndexStoreError& error) {
        std::fprintf(stderr, "store error: %s\n", error.what());
        FUZZ_CHECK(!"the index store refused a parsed query");
    }
    return 0;
}
