// Opens the storage services in the current data directory, with the degradations
// the app and the command line share: an index that cannot open gives storage
// without search; a store that cannot open gives no repository at all.
#pragma once

#include <memory>

#include <QString>

namespace quellpad {

class Clock;
class ClipboardClassificationServiceProtocol;
class ClipboardHistoryRepository;
class ClipboardSearchServiceProtocol;
class DataDirectoryManager;
class DefaultsStore;
class NotificationCenter;
class SQLiteClipboardSearchIndexStore;

namespace ClipboardServiceBuilder {

// The index store, or null after logging "Failed to initialize clipboard search index
// store, search index sync disabled".
std::shared_ptr<SQLiteClipboardSearchIndexStore> openSearchIndexStore(const DataDirectoryManager& dataDirectory,
                                                                      DefaultsStore& defaults);

// The repository, or null after logging "Failed to initialize clipboard services: ..."
std::shared_ptr<ClipboardHistoryRepository> openRepository(DataDirectoryManager& dataDirectory,
                                                           std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore,
                                                           DefaultsStore& defaults, NotificationCenter& notifications,
                                                           std::shared_ptr<const Clock> clock,
                                                           QString* errorDescription = nullptr);

enum class SearchIndexRecovery {
    onRequest,     // a damaged or unfinished index waits for `quellpad rebuild-index` or the app
    automatic,     // the service rebuilds it from the history as soon as it is owed (the app)
};

// The search service over repository and index with its own classifier and metrics,
// or the Empty service when there is no index or no repository.
std::shared_ptr<ClipboardSearchServiceProtocol> makeSearchService(
    std::shared_ptr<ClipboardHistoryRepository> repository, std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore,
    DefaultsStore& defaults, SearchIndexRecovery recovery = SearchIndexRecovery::onRequest);

} // namespace ClipboardServiceBuilder

} // namespace quellpad
