// `quellpad list` and `quellpad search QUERY`: pages of the history through the search
// service, with the repository's own search when the index is unavailable.
#include <QCommandLineParser>

#include "localization/Localizer.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliServices.h"
#include "history/ClipboardHistoryRepository.h"
#include "search/ClipboardSearchServiceProtocol.h"

namespace quellpad {

namespace {

// Through the repository: its ranking over everything, then the page.
std::vector<ClipboardHistoryIndexSnapshot> fallbackPage(CliServices& services, const QString& query, int offset,
                                                        int limit) {
    printError(services.context.localizer.text(TextKey::cliSearchFallbackNotice));
    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> future =
        services.repository->getHistorySnapshots(query, offset + limit);
    future.waitForFinished();
    std::vector<ClipboardHistoryIndexSnapshot> all = future.result();
    if (static_cast<size_t>(offset) >= all.size()) {
        return {};
    }
    return {all.begin() + offset, all.end()};
}

int runListing(CliContext& context, bool isSearch) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(isSearch ? TextKey::cliSearchSummary : TextKey::cliListSummary));
    const QCommandLineOption limit(QStringLiteral("limit"), context.localizer.text(TextKey::cliLimitOptionDescription),
                                   QStringLiteral("N"));
    const QCommandLineOption offset(QStringLiteral("offset"), context.localizer.text(TextKey::cliOffsetOptionDescription),
                                    QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"), context.localizer.text(TextKey::cliJsonOptionDescription));
    parser.addOptions({limit, offset, json});
    if (isSearch) {
        parser.addPositionalArgument(QStringLiteral("QUERY"), context.localizer.text(TextKey::cliSearchSummary));
    }
    if (!parseSubcommandArguments(parser, context) ||
        !expectPositionalArguments(parser, isSearch ? 1 : 0, QStringLiteral("QUERY"), context)) {
        return 2;
    }
    const std::optional<int> limitValue = countOption(parser, limit, 20, context);
    const std::optional<int> offsetValue = countOption(parser, offset, 0, context);
    if (!limitValue || !offsetValue) {
        return 2;
    }
    CliServices services(context);
    if (!services.open()) {
        return 1;
    }
    const QString query = isSearch ? parser.positionalArguments().first() : QString();
    std::vector<ClipboardHistoryIndexSnapshot> items;
    try {
        QFuture<ClipboardSearchPage> page = isSearch ? services.searchService->search(query, *offsetValue, *limitValue)
                                                     : services.searchService->fetchRecent(*offsetValue, *limitValue);
        page.waitForFinished();
        items = page.result().items;
    } catch (const std::exception&) {
        // Logged by the service; the history itself still answers.
        items = fallbackPage(services, query, *offsetValue, *limitValue);
    }
    for (const ClipboardHistoryIndexSnapshot& item : items) {
        printOut(parser.isSet(json) ? snapshotJsonLine(item) : snapshotPlainLine(item));
    }
    return 0;
}

const CliCommandRegistration listRegistration({QStringLiteral("list"), TextKey::cliListSummary,
                                               [](CliContext& context) { return runListing(context, false); }});
const CliCommandRegistration searchRegistration({QStringLiteral("search"), TextKey::cliSearchSummary,
                                                 [](CliContext& context) { return runListing(context, true); }});

} // namespace

} // namespace quellpad
