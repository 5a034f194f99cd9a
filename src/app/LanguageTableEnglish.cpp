#include "app/LanguageTables.h"

namespace quellpad::LanguageTables {

const char* english(TextKey key) {
    switch (key) {
    case TextKey::retentionForever: return "Forever";
    case TextKey::retentionOneDay: return "1 Day";
    case TextKey::retentionSevenDays: return "7 Days";
    case TextKey::retentionThirtyDays: return "30 Days";
    case TextKey::retentionNinetyDays: return "90 Days";
    case TextKey::presentationStandardPanel: return "Standard Panel";
    case TextKey::presentationFloatingPanel: return "Floating Panel";
    case TextKey::floatingListStandard: return "Standard";
    case TextKey::floatingListCompact: return "Compact";
    case TextKey::ocrModeSpecifiedLanguage: return "Specified Language";
    case TextKey::ocrModeAutomatic: return "Automatic";
    case TextKey::ocrLanguageEnglish: return "English";
    case TextKey::ocrLanguageSimplifiedChinese: return "Simplified Chinese";
    case TextKey::ocrLanguageTraditionalChinese: return "Traditional Chinese";
    case TextKey::ocrLanguageJapanese: return "Japanese";
    case TextKey::ocrLanguageKorean: return "Korean";
    case TextKey::settingsPageGeneral: return "General";
    case TextKey::settingsPageStorage: return "Storage";
    case TextKey::settingsPageAppFilter: return "App Filter";
    case TextKey::settingsPageAdvanced: return "Advanced";
    case TextKey::languageEnglish: return "English";
    case TextKey::languageSimplifiedChinese: return "简体中文";
    case TextKey::changeStorageDirectoryTitle: return "Change Storage Directory";
    case TextKey::changeStorageDirectoryMessage: return "Existing clipboard data will be copied to the new directory. Continue?";
    case TextKey::cancel: return "Cancel";
    case TextKey::chooseDirectory: return "Choose Directory";
    case TextKey::selectStorageDirectoryTitle: return "Select Storage Directory";
    case TextKey::selectStorageDirectoryMessage: return "Choose a directory to store clipboard history data.";
    case TextKey::confirmChangeTitle: return "Confirm Change";
    case TextKey::confirmChangeMessage: return "Clipboard data will be copied to:\n%1\n\nContinue?";
    case TextKey::confirmMigration: return "Confirm Migration";
    case TextKey::resetToDefaultDirectoryTitle: return "Reset to Default Directory";
    case TextKey::resetToDefaultDirectoryMessage: return "Clipboard data will be copied back to the default directory:\n%1\n\nContinue?";
    case TextKey::confirmReset: return "Confirm Reset";
    case TextKey::storageLocationChangedTitle: return "Storage Location Changed";
    case TextKey::storageLocationChangedMessage: return "Clipboard data is now stored in:\n%1";
    case TextKey::failedToChangeLocation: return "Failed to Change Location";
    case TextKey::storageLocationResetTitle: return "Storage Location Reset";
    case TextKey::storageLocationResetMessage: return "Clipboard data was moved back to:\n%1";
    case TextKey::failedToResetLocation: return "Failed to Reset Location";
    case TextKey::checkFolderPermissionsHint: return "Check folder permissions and try again.";
    case TextKey::clearAllHistoryTitle: return "Clear All Clipboard History?";
    case TextKey::clearAllHistoryMessage: return "This permanently deletes all saved clipboard items from the current storage folder. Your current clipboard contents will stay unchanged.";
    case TextKey::clipboardHistoryClearedTitle: return "Clipboard History Cleared";
    case TextKey::clipboardHistoryClearedMessage: return "All saved clipboard history was removed from:\n%1";
    case TextKey::storageOverviewTitle: return "Storage Overview";
    case TextKey::storageOverviewDescription: return "Changing the storage location copies existing clipboard data into the new folder. Reset moves it back to the default location.";
    case TextKey::storageOverviewUpdating: return "Updating storage usage for the current folder.";
    case TextKey::storageOverviewEmpty: return "No saved clipboard items are currently stored in this folder.";
    case TextKey::clearAllHistoryNow: return "Clear All History Now";
    case TextKey::cliUsageSummary: return "Quellpad keeps a searchable history of what you copy.";
    case TextKey::cliUnknownCommand: return "Unknown command: %1";
    case TextKey::cliUsageLine: return "Usage: quellpad [command] [options]";
    case TextKey::cliCommandsHeader: return "Commands:";
    case TextKey::cliNoCommandDescription: return "Without a command, Quellpad starts and records what you copy until it is stopped.";
    case TextKey::cliVersionOptionDescription: return "Print the version and exit.";
    case TextKey::cliHelpHint: return "Run 'quellpad <command> --help' for the options of a command.";
    case TextKey::cliJsonOptionDescription: return "Print one JSON object instead of text.";
    case TextKey::cliPathsSummary: return "Show where the history, the search index and the settings are stored.";
    case TextKey::cliPathsDataDirectory: return "Data directory: %1";
    case TextKey::cliPathsHistoryStore: return "History store: %1";
    case TextKey::cliPathsSearchIndex: return "Search index: %1";
    case TextKey::cliPathsSettings: return "Settings: %1";
    case TextKey::cliUnexpectedArgument: return "Unexpected argument: %1";
    }
    return "";
}

} // namespace quellpad::LanguageTables
