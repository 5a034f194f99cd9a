#include <gtest/gtest.h>

#include "Core/Utilities/NotificationCenter.h"
#include "localization/AppLanguage.h"
#include "settings/AppPreferences.h"
#include "localization/Localizer.h"
#include "settings/PreferenceKeys.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "support/TestSupport.h"

using namespace quellpad;
namespace K = PreferenceKeys;

class PreferencesTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    AppPreferences preferences{defaults};
};

TEST_F(PreferencesTest, BooleansFallBackToDefaultsWhenMissingOrMistyped) {
    EXPECT_TRUE(preferences.textCaptureEnabled());
    EXPECT_TRUE(preferences.menuBarShowIcon());
    EXPECT_FALSE(preferences.searchPinyinIndexEnabled());

    defaults.set(K::textCaptureEnabled, QStringLiteral("0"));
    defaults.set(K::searchPinyinIndexEnabled, QStringLiteral("1"));
    defaults.set(K::imageCaptureEnabled, qint64(0));
    EXPECT_TRUE(preferences.textCaptureEnabled()) << "a string is not a Boolean";
    EXPECT_FALSE(preferences.searchPinyinIndexEnabled()) << "a string \"1\" is not a Boolean";
    EXPECT_TRUE(preferences.imageCaptureEnabled()) << "an integer is not a Boolean";

    preferences.setTextCaptureEnabled(false);
    EXPECT_FALSE(preferences.textCaptureEnabled());
}

TEST_F(PreferencesTest, ItemSizeLimitIsClamped) {
    struct Case { QVariant stored; qint64 expected; };
    const std::vector<Case> cases{
        {QVariant(), 10},         {QVariant(qint64(-5)), 1}, {QVariant(qint64(0)), 1},   {QVariant(qint64(1)), 1},
        {QVariant(qint64(2)), 2}, {QVariant(qint64(500)), 500}, {QVariant(qint64(501)), 500},
        {QVariant(QStringLiteral("20")), 10}, {QVariant(20.0), 10}, {QVariant(true), 10},
    };
    for (const Case& c : cases) {
        defaults.set(K::maxItemSizeInMB, c.stored);
        EXPECT_EQ(preferences.maxItemSizeInMB(), c.expected) << c.stored.toString().toStdString();
    }
    defaults.set(K::maxItemSizeInMB, qint64(3));
    EXPECT_EQ(preferences.maxItemSizeInBytes(), 3 * 1048576);
}

TEST_F(PreferencesTest, EnumerationsMatchRawValuesExactly) {
    EXPECT_EQ(preferences.textAutoCleanupPolicy(), ClipboardAutoCleanupPolicy::never);
    defaults.set(K::textAutoCleanupPolicy, QStringLiteral("sevenDays"));
    EXPECT_EQ(preferences.textAutoCleanupPolicy(), ClipboardAutoCleanupPolicy::sevenDays);
    defaults.set(K::textAutoCleanupPolicy, QStringLiteral("SevenDays"));
    EXPECT_EQ(preferences.textAutoCleanupPolicy(), ClipboardAutoCleanupPolicy::never);
    preferences.setImageAutoCleanupPolicy(ClipboardAutoCleanupPolicy::ninetyDays);
    EXPECT_EQ(defaults.stringValue(K::imageAutoCleanupPolicy), QStringLiteral("ninetyDays"));

    // Presentation settings are honoured only in the direct channel.
    defaults.set(K::directClipboardPresentationMode, QStringLiteral("floating"));
    defaults.set(K::floatingClipboardListStyle, QStringLiteral("compact"));
    EXPECT_EQ(preferences.presentationMode(DistributionChannel::direct), DirectClipboardPresentationMode::floating);
    EXPECT_EQ(preferences.presentationMode(DistributionChannel::appStore), DirectClipboardPresentationMode::centered);
    EXPECT_EQ(preferences.floatingListStyle(DistributionChannel::unknown), FloatingClipboardListStyle::standard);
    EXPECT_EQ(preferences.floatingListStyle(DistributionChannel::direct), FloatingClipboardListStyle::compact);
    defaults.set(K::directClipboardPresentationMode, QStringLiteral("Floating"));
    EXPECT_EQ(preferences.presentationMode(DistributionChannel::direct), DirectClipboardPresentationMode::centered);
}

TEST_F(PreferencesTest, OCRConfigurationReading) {
    EXPECT_EQ(preferences.ocrConfiguration(), (ClipboardOCRConfiguration{}));
    defaults.set(K::ocrLanguageMode, QStringLiteral("automatic"));
    defaults.set(K::ocrSpecifiedLanguage, QStringLiteral("ja-JP"));
    EXPECT_EQ(preferences.ocrConfiguration(),
              (ClipboardOCRConfiguration{ClipboardOCRLanguageMode::automatic, ClipboardOCRLanguage::japanese}));
    defaults.set(K::ocrLanguageMode, QStringLiteral("Automatic"));
    defaults.set(K::ocrSpecifiedLanguage, QStringLiteral("fr-FR"));
    EXPECT_EQ(preferences.ocrConfiguration(), (ClipboardOCRConfiguration{}));
    defaults.set(K::ocrSpecifiedLanguage, QStringLiteral("zh-hans"));
    EXPECT_EQ(preferences.ocrConfiguration().language, ClipboardOCRLanguage::englishUS);
}

TEST_F(PreferencesTest, HidingTheIconClearsTheHiddenBySystemFlag) {
    preferences.setMenuBarStatusItemHiddenBySystem(true);
    preferences.setMenuBarShowIcon(true);
    EXPECT_TRUE(preferences.menuBarStatusItemHiddenBySystem());
    preferences.setMenuBarShowIcon(false);
    EXPECT_FALSE(preferences.menuBarShowIcon());
    EXPECT_FALSE(preferences.menuBarStatusItemHiddenBySystem());
}

TEST_F(PreferencesTest, OnboardingFallsBackToTheInitialSettingsFlag) {
    EXPECT_FALSE(preferences.didCompleteOnboarding());
    defaults.set(K::didPresentInitialSettingsWindow, true);
    EXPECT_TRUE(preferences.didCompleteOnboarding());
    defaults.set(K::didCompleteOnboarding, false);
    EXPECT_FALSE(preferences.didCompleteOnboarding()) << "an explicit value wins over the fallback";
}

TEST_F(PreferencesTest, PanelPositionNeedsTwoNumbers) {
    EXPECT_FALSE(preferences.clipboardPanelPosition());
    preferences.setClipboardPanelPosition(QPointF(10.5, 20));
    EXPECT_EQ(preferences.clipboardPanelPosition(), QPointF(10.5, 20));
    defaults.set(K::clipboardPanelPosition, QVariantMap{{QStringLiteral("x"), qint64(3)}, {QStringLiteral("y"), qint64(4)}});
    EXPECT_EQ(preferences.clipboardPanelPosition(), QPointF(3, 4));
    defaults.set(K::clipboardPanelPosition, QVariantMap{{QStringLiteral("x"), QStringLiteral("3")}, {QStringLiteral("y"), 4.0}});
    EXPECT_FALSE(preferences.clipboardPanelPosition());
    preferences.setClipboardPanelPosition(std::nullopt);
    EXPECT_FALSE(defaults.object(K::clipboardPanelPosition).isValid());
}

TEST(AppLanguage, LookupFollowsTheStoredValueAtEachCall) {
    InMemoryDefaultsStore defaults;
    Localizer localizer(defaults);
    EXPECT_EQ(localizer.text(TextKey::retentionForever), QStringLiteral("Forever"));
    defaults.set(K::appLanguage, QStringLiteral("zh-Hans"));
    EXPECT_EQ(localizer.text(TextKey::retentionForever), QStringLiteral("永久"));
    defaults.set(K::appLanguage, QStringLiteral("zh-hans"));
    EXPECT_EQ(localizer.text(TextKey::retentionForever), QStringLiteral("Forever")) << "case differs: English";
    defaults.set(K::appLanguage, true);
    EXPECT_EQ(currentLanguage(defaults), AppLanguage::english);
}

TEST(AppLanguage, ValuesAreInterpolatedOnceInOrder) {
    const QString path = QStringLiteral("/tmp/%2 odd %1");
    EXPECT_EQ(Localizer::text(AppLanguage::english, TextKey::storageLocationChangedMessage, {path}),
              QStringLiteral("Clipboard data is now stored in:\n/tmp/%2 odd %1"));
    EXPECT_EQ(Localizer::text(AppLanguage::simplifiedChinese, TextKey::confirmChangeMessage, {QStringLiteral("~/x")}),
              QStringLiteral("剪贴板数据将被复制到：\n~/x\n\n是否继续？"));
}

TEST(AppLanguage, EveryKeyHasBothTexts) {
    // Keys are dense from 0; an out-of-range key renders as "" in English.
    int key = 0;
    for (; !Localizer::text(AppLanguage::english, static_cast<TextKey>(key)).isEmpty(); ++key) {
        EXPECT_FALSE(Localizer::text(AppLanguage::simplifiedChinese, static_cast<TextKey>(key)).isEmpty()) << key;
    }
    EXPECT_GT(key, static_cast<int>(TextKey::cliUnexpectedArgument));
}

TEST(AppLanguage, SetLanguagePostsOnlyOnChangeAndAfterStoring) {
    InMemoryDefaultsStore defaults;
    NotificationCenter center;
    AppLanguageSettings settings(defaults, center);
    std::vector<QVariantMap> posted;
    QObject::connect(&center, &NotificationCenter::notified, [&](const QString& name, const QVariantMap& info) {
        if (name == appLanguageDidChangeNotification) {
            EXPECT_EQ(defaults.stringValue(K::appLanguage), info.value(QStringLiteral("language")).toString());
            posted.push_back(info);
        }
    });
    settings.setLanguage(AppLanguage::english); // already the (default) language
    settings.setLanguage(AppLanguage::simplifiedChinese);
    EXPECT_TRUE(posted.empty()) << "posted asynchronously, not inside setLanguage";
    test::drainEvents();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].value(QStringLiteral("language")).toString(), QStringLiteral("zh-Hans"));
    settings.setLanguage(AppLanguage::simplifiedChinese);
    test::drainEvents();
    EXPECT_EQ(posted.size(), 1u);
    EXPECT_EQ(settings.localeIdentifier(), QStringLiteral("zh-Hans"));
}

TEST(DistributionChannel, TheDeclaredChannelIsTrimmedAndUpperCasedBeforeItIsMatched) {
    using quellpad::DistributionChannel;
    EXPECT_EQ(quellpad::parseDistributionChannel(QStringLiteral(" direct ")), DistributionChannel::direct);
    EXPECT_EQ(quellpad::parseDistributionChannel(QStringLiteral("app_store")), DistributionChannel::appStore);
    EXPECT_EQ(quellpad::parseDistributionChannel(QStringLiteral("AppStore")), DistributionChannel::unknown);
    EXPECT_EQ(quellpad::parseDistributionChannel(QString()), DistributionChannel::unknown);
}
