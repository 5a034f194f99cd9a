// The search index as first written: its schema (documents, fts_terms, one
// compact_grams row per gram and document) and its statements, word for word. The
// store may lay its file out differently and plan its queries its own way, but
// every page it returns must equal the page this one returns; the differential
// tests hold it to that. It also writes files of the written layout for the
// conversion tests.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "search/ClipboardSearchFilter.h"
#include "search/ClipboardSearchIndexDocument.h"
#include "search/ClipboardSearchPage.h"

namespace quellpad {
class DefaultsStore;
}

namespace quellpad::test {

class WrittenSearchIndexReference {
public:
    // Deliberate faults, so that the differential harness can be shown to catch them.
    enum class Flaw {
        none,
        tiesOldestFirst, // equal rank and time: lower doc_id first
        hasMoreOffByOne, // hasMore also when the page ends exactly at the last row
    };

    // Opens (or creates) a file of the written layout. Not thread-safe: one caller.
    WrittenSearchIndexReference(const QString& databasePath, DefaultsStore& userDefaults, QDateTime now,
                                Flaw flaw = Flaw::none);
    ~WrittenSearchIndexReference();

    void upsert(const ClipboardSearchIndexDocument& document);
    void deleteDocuments(const QStringList& itemIDs);
    void touch(const QString& itemID, const QDateTime& sortAt, const std::optional<QDateTime>& lastAccessedAt,
               qint64 accessCount);
    void rebuild(const std::vector<ClipboardSearchIndexDocument>& documents);

    ClipboardSearchPage fetchRecent(int limit, int offset);
    ClipboardSearchPage search(const ClipboardSearchIndexQuery& query, const std::vector<ClipboardSearchFilter>& filters,
                               int limit, int offset);

private:
    class Connection;

    DefaultsStore& userDefaults_;
    QDateTime now_;
    std::unique_ptr<Connection> connection_;
};

} // namespace quellpad::test
