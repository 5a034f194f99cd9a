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
    // Classification: system classifications, main content types, user rules, test page
    classificationUrl,
    classificationGithubPullRequest,
    classificationGithubIssue,
    classificationEmail,
    classificationIpAddress,
    classificationUuid,
    classificationJson,
    classificationJsonLines,
    classificationSql,
    classificationMarkdown,
    classificationHtml,
    classificationJwt,
    classificationFilePath,
    classificationBase64,
    classificationCurlCommand,
    classificationUrlSummary,
    classificationGithubPullRequestSummary,
    classificationGithubIssueSummary,
    classificationEmailSummary,
    classificationIpAddressSummary,
    classificationUuidSummary,
    classificationJsonSummary,
    classificationJsonLinesSummary,
    classificationSqlSummary,
    classificationMarkdownSummary,
    classificationHtmlSummary,
    classificationJwtSummary,
    classificationFilePathSummary,
    classificationBase64Summary,
    classificationCurlCommandSummary,
    mainContentTypeText,
    mainContentTypeImage,
    mainContentTypeTextSummary,
    mainContentTypeImageSummary,
    ruleValidationMissingName,
    ruleValidationMissingConditionValue,
    ruleValidationMissingResultClassification,
    ruleValidationInvalidSystemClassification,
    ruleValidationInvalidRegularExpression,
    ruleSaveFailedTitle,
    ruleConditionContainsText, // %1: value
    ruleConditionPrefix, // %1: value
    ruleConditionSuffix, // %1: value
    ruleConditionRegularExpression, // %1: value
    ruleConditionDomain, // %1: value
    ruleConditionPathContains, // %1: value
    ruleConditionJsonKeyExists, // %1: value
    ruleConditionMatchedSystemClassification, // %1: classification name
    classificationTestSystem, // %1: labels
    classificationTestUser, // %1: labels
    classificationTestPrimary, // %1: label
    // Formatting errors
    formattingInvalidEncoding,
    formattingEncodingFailure,
    formattingInvalidJson, // %1: parser message
    formattingNotContainer,
    formattingNestingTooDeep, // %1: levels
    formattingOutputTooLarge, // %1: megabytes
    // Command line: classify and format
    cliClassifySummary,
    cliFileArgumentDescription,
    cliFormatSummary,
    cliFormatAsOptionDescription,
    cliFormatHighlightOptionDescription,
    cliInvalidUtf8Input,
    cliCannotReadFile, // %1: path, %2: reason
    cliInputTooLarge, // %1: limit in MB
    cliFormatUnknownKind, // %1: kind
    cliTextNotFormattable, // %1: primary classification
    cliFormattingFailed, // %1: reason
    cliAddSummary,
    cliAddAppOptionDescription,
    cliAddCreatedOptionDescription,
    cliAddImageOptionDescription,
    cliAddJsonlOptionDescription,
    cliInvalidTime, // %1: text
    cliNotAnImage,
    cliNothingToStore,
    cliItemTooLarge, // %1: megabytes
    cliImportedCount, // %1: count
    cliInvalidJsonLine, // %1: line number, %2: reason
    cliListSummary,
    cliSearchSummary,
    cliLimitOptionDescription,
    cliOffsetOptionDescription,
    cliInvalidNumber, // %1: option, %2: text
    cliSearchFallbackNotice,
    cliMissingArgument, // %1: name
    cliShowSummary,
    cliOutputOptionDescription,
    cliUnknownItem, // %1: id
    cliImageNeedsOutput,
    cliCannotWriteFile, // %1: path, %2: reason
    cliDeleteSummary,
    cliClearSummary,
    cliClearYesOptionDescription,
    cliClearNeedsYes,
    cliStatsSummary,
    cliRebuildIndexSummary,
    cliRebuildStarted,
    cliRebuildFinished, // %1: documents, %2: grams
    cliRebuildProgress, // %1: documents written, %2: items in the history
    cliStorageUnavailable, // %1: reason
    cliSearchIndexUnavailable,
    cliOperationFailed, // %1: reason
    cliStatsText, // %1: count
    cliStatsImages, // %1: count
    cliStatsDocuments, // %1: count
    cliStatsGrams, // %1: count
    cliStatsLastRebuild, // %1: date or never
    cliStatsNever,
    cliStatsHistoryBytes, // %1: bytes
    cliStatsIndexBytes, // %1: bytes
    cliNoDisplay, // %1: reason
    cliPauseSummary,
    cliResumeSummary,
    cliStatusSummary,
    cliNotRunning,
    cliNotResponding,
    cliNotRecording,
    cliRecordingPaused,
    cliRecordingActive,
    cliToggleSummary,
    cliPanelShown,
    cliPanelHidden,
    cliPasteSummary,
    cliPasteIdDescription,
    cliPasteNotPasted, // %1: reason
    cliConfigSummary,
    cliConfigActionDescription,
    cliConfigUnknownAction, // %1: action
    cliConfigUnknownKey, // %1: key
    cliConfigInvalidValue, // %1: key, %2: type, %3: reason
    cliConfigNotSet, // %1: key
    cliConfigWriteFailed, // %1: key, %2: reason
    hotkeyRecorderPlaceholder,
    hotkeyRecorderRecording,
    cliIgnoreSummary,
    cliIgnoreActionDescription,
    cliIgnoreUnknownAction, // %1: action
    cliIgnoreEmptyIdentifier,
    cliIgnoreAdded, // %1: application id
    cliIgnoreAlreadyListed, // %1: application id
    cliIgnoreRemoved, // %1: application id
    cliIgnoreNotListed, // %1: application id
    cliOcrSummary,
    cliOcrFailed, // %1: reason
    cliAutostartSummary,
    cliAutostartActionDescription,
    cliAutostartUnknownAction,
    cliAutostartEnabled,
    cliAutostartDisabled,
    // Clipboard panel, its actions and the About window
    panelWindowTitle,
    panelSearchPlaceholder,
    panelLoading,
    panelEmpty,
    panelNoMatches,
    panelSelectItem,
    panelShowMore,
    panelFallbackNotice,
    panelSearchFailed,
    panelCopyFailed,
    panelAccessibilityRequired,
    panelAccessibilityRequiredTitle,
    footerRecordingPaused,
    footerRecordingPausedTip,
    footerRecordingOff,
    footerRecordingOffTip,
    footerUsageTip,
    footerActionsHint,
    footerUpdateReady,
    footerUpdateReadyVersion,
    footerUpdateAction,
    footerCopiedPressControlV,
    actionCopy,
    actionCopyPlainText,
    actionOpenLink,
    actionOpenWithDefaultApp,
    actionSave,
    actionPin,
    actionRecognizeText,
    actionDelete,
    actionFormat,
    actionShowOriginal,
    accessibleSearchField,
    accessibleResultList,
    accessibleDetailPane,
    accessibleFooter,
    detailRecognizedText,
    detailImageSize,
    detailCopiedFrom,
    detailUseCount,
    savePanelTitle,
    aboutWindowTitle,
    panelSaveFailed, // %1: reason
    aboutVersion,
    // Tray item and its menu
    menuRecordingOffLine,
    menuOpenGeneralSettings,
    menuRecordingPausedLine,
    menuResumeRecording,
    menuClipboardHistory,
    menuShowOnboarding,
    menuPauseRecording,
    menuClassification,
    menuSettings,
    menuSendFeedback,
    menuAbout,
    menuQuit,
    trayRecordingOffTip,
    trayRecordingPausedTip,
    aboutClose,
    dateJustNow,
    dateMinutesAgo, // %1: minutes
    dateHoursAgo, // %1: hours
    dateYesterday,
    detailTruncated, // %1: shown, %2: total
    detailImageTooLarge, // %1: width, %2: height
    detailImageUnreadable,
    detailFormattingFailed, // %1: reason
    detailContentUnavailable,
    detailFormattedBadge,
    floatingPanelWindowTitle,
    floatingPreviewBubble,
    // Settings window
    settingsWindowTitle,
    settingsPageList,
    settingsLanguage,
    settingsMenuBarSection,
    settingsShowIcon,
    settingsShowIconDescription,
    settingsTrayUnavailable, // %1: display name
    settingsStartupSection,
    settingsLaunchAtLogin,
    settingsLaunchAtLoginDescription, // %1: display name
    settingsLaunchAtLoginFailed, // %1: reason
    settingsDirectPasteSection,
    settingsReturnAutoPaste,
    settingsCaptureSection,
    settingsCaptureText,
    settingsCaptureImages,
    settingsMaxItemSize,
    settingsMegabytesSuffix,
    settingsDataDirectorySection,
    settingsRevealDataDirectory,
    settingsRevealFailed, // %1: reason
    settingsNoFileManager,
    settingsIgnoredAppsSection,
    settingsIgnoredAppsDescription,
    settingsIgnoredAppsEmpty,
    settingsInstalledApplications,
    settingsAddIgnoredApp,
    settingsRemoveIgnoredApp,
    settingsSearchSection,
    settingsPinyinIndex,
    settingsAccessibilitySection,
    settingsAccessibilityAvailable,
    settingsAccessibilityUnavailable,
    // Pin window and recognised-text window
    pinWindowTitle,
    pinCopy,
    pinSave,
    pinOK,
    pinCopyFailedTitle,
    pinCopyFailedMessage,
    pinSaveFailedTitle,
    pinSaveNoImageData,
    pinSaveWriteFailed, // %1: reason
    pinSavePanelTitle,
    pinSaveAsLabel,
    pinPlainTextFilter,
    pinClosePromptTitle,
    pinClosePromptMessage,
    pinDontSave,
    pinNoImageData,
    pinAccessibleText,
    pinAccessibleImage,
    ocrWindowTitle,
    ocrWindowRecognizeAgain,
    ocrWindowRecognizing,
    ocrWindowNoText,
    ocrWindowFailed, // %1: reason
    ocrWindowNotAnImage,
    ocrWindowInterrupted,
    ocrWindowUnavailable,
    ocrWindowCopyFailed,
    ocrWindowAccessibleText,
    ocrWindowAccessibleImage,
    ocrWindowAccessibleStatus,
    settingsFailureReason, // %1: reason
    settingsClearHistoryFailedTitle,
    settingsRetentionSection,
    settingsTextRetention,
    settingsImageRetention,
    settingsChangeDataDirectory,
    settingsResetDataDirectory,
    settingsDataDirectoryFixed,
    settingsMigrationInProgress,
    settingsChooseApplicationTitle,
    settingsSearchApplications,
    settingsNoMatchingApplications,
    settingsAddIgnoredAppButton,
    settingsIgnoredAppsWaylandNotice,
    settingsNotInstalled, // %1: name
    settingsPinyinDescription,
    settingsRebuildIndex,
    settingsRebuildStarting,
    settingsRebuildProgress, // %1: done, %2: total
    settingsRebuildFinished, // %1: items
    settingsRebuildFailed, // %1: reason
    settingsOcrSection,
    settingsOcrEnabled,
    settingsOcrModeLabel,
    settingsOcrLanguageLabel,
    settingsOcrDescription,
    settingsOcrNoLanguages,
    settingsOcrLanguageMissing, // %1: language
    settingsAccessibilityStillUnavailable,
    settingsAccessibilityUnknown,
    settingsAccessibilityRequest,
    settingsPanelSection,
    settingsResetPanelPosition,
    settingsPanelPositionSaved,
    settingsPanelPositionDefault,
    // General page hotkeys, entry-point alerts and onboarding
    settingsPresentationMode,
    settingsFloatingListStyle,
    settingsHotkeysSection,
    settingsClipboardHistoryHotkey,
    settingsResetHotkey,
    settingsDeleteHotkey,
    settingsHotkeyRefused, // %1: shortcut
    settingsHotkeyUnavailable, // %1: shortcut
    settingsHotkeyRestoreFailed, // %1: shortcut
    alertShortcutRequiredTitle,
    alertShortcutRequiredText, // %1: shortcut
    alertRestoreShortcutAndHide,
    alertKeepEntryPointTitle,
    alertKeepEntryPointText,
    alertShowMenuBarAndRemoveShortcut,
    onboardingWindowTitle,
    onboardingStep, // %1: step, %2: steps
    onboardingShortcutTitle,
    onboardingShortcutBody,
    onboardingAccessibilityTitle,
    onboardingAccessibilityAuthorized,
    onboardingAccessibilityOff,
    onboardingAccessibilityRequest,
    onboardingTrayTitle,
    onboardingTrayBody,
    onboardingDoneTitle,
    onboardingDoneBody, // %1: shortcut or command
    onboardingBack,
    onboardingContinue,
    onboardingFinish,
    hotkeyRecorderBusy,
    // Classification window
    classificationWindowTitle,
    classificationTabDetectors,
    classificationTabRules,
    classificationTabTest,
    classificationTabList,
    classificationSystemSection,
    classificationSystemDescription,
    classificationGroupGeneral,
    classificationGroupDeveloper,
    classificationMainTypesSection,
    classificationMainTypesDescription,
    classificationRulesSection,
    classificationRulesDescription,
    classificationRulesEmpty,
    classificationRuleList,
    classificationRuleRow,
    classificationNewRule,
    classificationDeleteRule,
    classificationMoveRuleUp,
    classificationMoveRuleDown,
    classificationRuleEditorNew,
    classificationRuleEditorEdit,
    classificationRuleName,
    classificationRuleCondition,
    classificationRuleValue,
    classificationRuleSystemValue,
    classificationRuleResult,
    classificationRuleEnabled,
    classificationSaveRule,
    classificationConditionContainsText,
    classificationConditionPrefix,
    classificationConditionSuffix,
    classificationConditionRegularExpression,
    classificationConditionDomain,
    classificationConditionPathContains,
    classificationConditionJsonKeyExists,
    classificationConditionMatchedSystem,
    ruleValidationRegexReason,
    ruleValidationRegexTooSlow,
    classificationRulesUnreadable,
    classificationStoreFailed,
    classificationTestInput,
    classificationTestPlaceholder,
    classificationTestNone,
    classificationTestPending,
    cliClassifyWindowOption,
    settingsPresentationWaylandNotice,
};

} // namespace quellpad
