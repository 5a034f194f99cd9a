// Every text the user sees is addressed by a key. Texts that carry values use %1, %2
// placeholders, filled by Localizer::text in order. Both language tables must handle
// every key: the switch statements in the tables make a missing entry a compile warning.
#pragma once

namespace quellpad {

enum class TextKey {
    // Settings: retention policies
    retentionForever,
    retentionOneDay,
    retentionSevenDays,
    retentionThirtyDays,
    retentionNinetyDays,
    // Settings: presentation mode and floating list style
    presentationStandardPanel,
    presentationFloatingPanel,
    floatingListStandard,
    floatingListCompact,
    // Settings: recognition language mode and languages
    ocrModeSpecifiedLanguage,
    ocrModeAutomatic,
    ocrLanguageEnglish,
    ocrLanguageSimplifiedChinese,
    ocrLanguageTraditionalChinese,
    ocrLanguageJapanese,
    ocrLanguageKorean,
    // Settings pages
    settingsPageGeneral,
    settingsPageStorage,
    settingsPageAppFilter,
    settingsPageAdvanced,
    // Interface languages, each in its own name
    languageEnglish,
    languageSimplifiedChinese,
    // Storage location flows
    changeStorageDirectoryTitle,
    changeStorageDirectoryMessage,
    cancel,
    chooseDirectory,
    selectStorageDirectoryTitle,
    selectStorageDirectoryMessage,
    confirmChangeTitle,
    confirmChangeMessage, // %1: display path
    confirmMigration,
    resetToDefaultDirectoryTitle,
    resetToDefaultDirectoryMessage, // %1: display path
    confirmReset,
    storageLocationChangedTitle,
    storageLocationChangedMessage, // %1: path
    failedToChangeLocation,
    storageLocationResetTitle,
    storageLocationResetMessage, // %1: path
    failedToResetLocation,
    checkFolderPermissionsHint,
    clearAllHistoryTitle,
    clearAllHistoryMessage,
    clipboardHistoryClearedTitle,
    clipboardHistoryClearedMessage, // %1: path
    storageOverviewTitle,
    storageOverviewDescription,
    storageOverviewUpdating,
    storageOverviewEmpty,
    clearAllHistoryNow,
    // Command line
    cliUsageSummary,
    cliUnknownCommand, // %1: command
    cliUsageLine,
    cliCommandsHeader,
    cliNoCommandDescription,
    cliVersionOptionDescription,
    cliHelpHint,
    cliJsonOptionDescription,
    cliPathsSummary,
    cliPathsDataDirectory,
    cliPathsHistoryStore,
    cliPathsSearchIndex,
    cliPathsSettings,
    cliUnexpectedArgument,
};

} // namespace quellpad
