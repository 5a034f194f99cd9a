#include "app/LanguageTables.h"

namespace quellpad::LanguageTables {

const char* simplifiedChinese(TextKey key) {
    switch (key) {
    case TextKey::retentionForever: return "永久";
    case TextKey::retentionOneDay: return "1 天";
    case TextKey::retentionSevenDays: return "7 天";
    case TextKey::retentionThirtyDays: return "30 天";
    case TextKey::retentionNinetyDays: return "90 天";
    case TextKey::presentationStandardPanel: return "标准面板";
    case TextKey::presentationFloatingPanel: return "浮动面板";
    case TextKey::floatingListStandard: return "标准";
    case TextKey::floatingListCompact: return "紧凑";
    case TextKey::ocrModeSpecifiedLanguage: return "指定语言";
    case TextKey::ocrModeAutomatic: return "自动识别";
    case TextKey::ocrLanguageEnglish: return "英语";
    case TextKey::ocrLanguageSimplifiedChinese: return "简体中文";
    case TextKey::ocrLanguageTraditionalChinese: return "繁体中文";
    case TextKey::ocrLanguageJapanese: return "日语";
    case TextKey::ocrLanguageKorean: return "韩语";
    case TextKey::settingsPageGeneral: return "通用";
    case TextKey::settingsPageStorage: return "存储";
    case TextKey::settingsPageAppFilter: return "应用过滤";
    case TextKey::settingsPageAdvanced: return "高级";
    case TextKey::languageEnglish: return "English";
    case TextKey::languageSimplifiedChinese: return "简体中文";
    case TextKey::changeStorageDirectoryTitle: return "更改存储目录";
    case TextKey::changeStorageDirectoryMessage: return "现有的剪贴板数据将被复制到新目录。是否继续？";
    case TextKey::cancel: return "取消";
    case TextKey::chooseDirectory: return "选择目录";
    case TextKey::selectStorageDirectoryTitle: return "选择存储目录";
    case TextKey::selectStorageDirectoryMessage: return "请选择用于保存剪贴板历史数据的目录。";
    case TextKey::confirmChangeTitle: return "确认更改";
    case TextKey::confirmChangeMessage: return "剪贴板数据将被复制到：\n%1\n\n是否继续？";
    case TextKey::confirmMigration: return "确认迁移";
    case TextKey::resetToDefaultDirectoryTitle: return "恢复默认目录";
    case TextKey::resetToDefaultDirectoryMessage: return "剪贴板数据将被复制回默认目录：\n%1\n\n是否继续？";
    case TextKey::confirmReset: return "确认恢复";
    case TextKey::storageLocationChangedTitle: return "存储位置已更改";
    case TextKey::storageLocationChangedMessage: return "剪贴板数据现在保存在：\n%1";
    case TextKey::failedToChangeLocation: return "无法更改存储位置";
    case TextKey::storageLocationResetTitle: return "存储位置已恢复";
    case TextKey::storageLocationResetMessage: return "剪贴板数据已移回：\n%1";
    case TextKey::failedToResetLocation: return "无法恢复存储位置";
    case TextKey::checkFolderPermissionsHint: return "请检查文件夹权限后重试。";
    case TextKey::clearAllHistoryTitle: return "清除全部剪贴板历史？";
    case TextKey::clearAllHistoryMessage: return "这将从当前存储文件夹中永久删除所有已保存的剪贴板项目。当前剪贴板中的内容不会改变。";
    case TextKey::clipboardHistoryClearedTitle: return "剪贴板历史已清除";
    case TextKey::clipboardHistoryClearedMessage: return "已从以下位置移除全部剪贴板历史：\n%1";
    case TextKey::storageOverviewTitle: return "存储概览";
    case TextKey::storageOverviewDescription: return "更改存储位置会把现有剪贴板数据复制到新文件夹；恢复默认会把数据移回默认位置。";
    case TextKey::storageOverviewUpdating: return "正在更新当前文件夹的存储用量。";
    case TextKey::storageOverviewEmpty: return "此文件夹中目前没有已保存的剪贴板项目。";
    case TextKey::clearAllHistoryNow: return "立即清除全部历史";
    case TextKey::cliUsageSummary: return "Quellpad 为你复制过的内容保存可搜索的历史记录。";
    case TextKey::cliUnknownCommand: return "未知命令：%1";
    case TextKey::cliUsageLine: return "用法：quellpad [命令] [选项]";
    case TextKey::cliCommandsHeader: return "命令：";
    case TextKey::cliNoCommandDescription: return "不带命令运行时，Quellpad 会启动并记录你复制的内容，直到被停止。";
    case TextKey::cliVersionOptionDescription: return "显示版本号并退出。";
    case TextKey::cliHelpHint: return "运行 “quellpad <命令> --help” 查看某个命令的选项。";
    case TextKey::cliJsonOptionDescription: return "以单个 JSON 对象代替文本输出。";
    case TextKey::cliPathsSummary: return "显示历史记录、搜索索引和设置的存储位置。";
    case TextKey::cliPathsDataDirectory: return "数据目录：%1";
    case TextKey::cliPathsHistoryStore: return "历史记录库：%1";
    case TextKey::cliPathsSearchIndex: return "搜索索引：%1";
    case TextKey::cliPathsSettings: return "设置文件：%1";
    case TextKey::cliUnexpectedArgument: return "多余的参数：%1";
    }
    return "";
}

} // namespace quellpad::LanguageTables
