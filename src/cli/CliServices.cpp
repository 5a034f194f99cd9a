#include "cli/CliServices.h"

#include "app/ClipboardServiceBuilder.h"
#include "localization/Localizer.h"
#include "cli/CliCommand.h"
#include "history/ClipboardHistoryRepository.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

namespace quellpad {

CliServices::CliServices(CliContext& cliContext, std::shared_ptr<Clock> cliClock)
    : context(cliContext), dataDirectory(cliContext.defaults), clock(std::move(cliClock)) {}

CliServices::~CliServices() {
    searchService.reset();
    if (repository) {
        repository->waitForIndexSync();
    }
    repository.reset();
    indexStore.reset();
}

bool CliServices::open() {
    indexStore = ClipboardServiceBuilder::openSearchIndexStore(dataDirectory, context.defaults);
    QString error;
    repository = ClipboardServiceBuilder::openRepository(dataDirectory, indexStore, context.defaults, notifications,
                                                         clock, &error);
    if (!repository) {
        printError(context.localizer.text(TextKey::cliStorageUnavailable, {error}));
        return false;
    }
    searchService = ClipboardServiceBuilder::makeSearchService(repository, indexStore, context.defaults);
    return true;
}

} // namespace quellpad
