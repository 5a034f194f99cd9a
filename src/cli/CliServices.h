// The storage services a command needs, opened in the user's data directory exactly
// as the app opens them (same fallbacks), so the command line and a running app can
// work on the same files at the same time.
#pragma once

#include <memory>

#include "Core/Utilities/NotificationCenter.h"
#include "history/DataDirectoryManager.h"
#include "platform/Clock.h"

namespace quellpad {

struct CliContext;
class ClipboardHistoryRepository;
class ClipboardSearchServiceProtocol;
class SQLiteClipboardSearchIndexStore;

class CliServices {
public:
    explicit CliServices(CliContext& context, std::shared_ptr<Clock> clock = std::make_shared<SystemClock>());
    // Waits for queued index writes before closing.
    ~CliServices();

    // Opens index (optional) and repository (required); prints why on failure.
    bool open();

    CliContext& context;
    NotificationCenter notifications;
    DataDirectoryManager dataDirectory;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore;
    std::shared_ptr<ClipboardHistoryRepository> repository;
    std::shared_ptr<ClipboardSearchServiceProtocol> searchService;
};

} // namespace quellpad
