#include "app/ClipboardServiceBuilder.h"

#include "Core/Utilities/Logger.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/DataDirectoryManager.h"
#include "search/ClipboardSearchIndexWriter.h"
#include "search/ClipboardSearchRuntimeMetricsRecorder.h"
#include "search/ClipboardSearchService.h"
#include "search/EmptyClipboardSearchService.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

namespace quellpad::ClipboardServiceBuilder {

namespace {
const QString category = QStringLiteral("AppAssembler");
}

std::shared_ptr<SQLiteClipboardSearchIndexStore> openSearchIndexStore(const DataDirectoryManager& dataDirectory,
                                                                      DefaultsStore& defaults) {
    // The index is opened first: the directory is created (or narrowed) owner-only
    // before either database file appears in it.
    if (std::optional<DataDirectoryError> error = dataDirectory.ensureDataDirectory()) {
        Logger::error(QStringLiteral("Failed to initialize clipboard search index store, search index sync disabled"),
                      category);
        Logger::error(QStringLiteral("Search index store error: ") + error->description, category);
        return nullptr;
    }
    try {
        return std::make_shared<SQLiteClipboardSearchIndexStore>(dataDirectory.searchIndexFilePath(), defaults);
    } catch (const std::exception& error) {
        Logger::error(QStringLiteral("Failed to initialize clipboard search index store, search index sync disabled"),
                      category);
        Logger::error(QStringLiteral("Search index store error: ") + QString::fromUtf8(error.what()), category);
        return nullptr;
    }
}

std::shared_ptr<ClipboardHistoryRepository> openRepository(DataDirectoryManager& dataDirectory,
                                                           std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore,
                                                           DefaultsStore& defaults, NotificationCenter& notifications,
                                                           std::shared_ptr<const Clock> clock,
                                                           QString* errorDescription) {
    try {
        return std::make_shared<ClipboardHistoryRepository>(dataDirectory,
                                                            ClipboardSearchIndexWriter::make(std::move(indexStore), defaults),
                                                            defaults,
                                                            notifications, std::move(clock));
    } catch (const std::exception& error) {
        Logger::error(QStringLiteral("Failed to initialize clipboard services: ") + QString::fromUtf8(error.what()),
                      category);
        if (errorDescription != nullptr) {
            *errorDescription = QString::fromUtf8(error.what());
        }
        return nullptr;
    }
}

std::shared_ptr<ClipboardSearchServiceProtocol> makeSearchService(
    std::shared_ptr<ClipboardHistoryRepository> repository, std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore,
    DefaultsStore& defaults, SearchIndexRecovery recovery) {
    if (!repository || !indexStore) {
        return std::make_shared<EmptyClipboardSearchService>();
    }
    auto service = std::make_shared<ClipboardSearchService>(
        std::move(repository), std::move(indexStore), ClipboardSearchIndexConfiguration{},
        std::make_shared<LocalClipboardClassificationService>(), defaults,
        std::make_unique<ClipboardSearchRuntimeMetricsRecorder>());
    if (recovery == SearchIndexRecovery::automatic) {
        service->recoverAutomatically();
    }
    return service;
}

} // namespace quellpad::ClipboardServiceBuilder
