#include <gtest/gtest.h>

#include <thread>

#include "settings/AppPreferences.h"
#include "capture/ClipboardIgnoredAppsSettings.h"
#include "platform/fake/FakeApplicationRegistry.h"
#include "platform/fake/InMemoryDefaultsStore.h"

namespace quellpad {
namespace {

class IgnoredAppsSettingsTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    AppPreferences preferences{defaults};
    std::shared_ptr<FakeApplicationRegistry> registry = std::make_shared<FakeApplicationRegistry>();
    std::unique_ptr<ClipboardIgnoredAppsSettings> settings =
        std::make_unique<ClipboardIgnoredAppsSettings>(defaults, registry);

    void merge() { settings->applyDefaultIgnoredApps().waitForFinished(); }
    // A new process: nothing cached.
    void restart() { settings = std::make_unique<ClipboardIgnoredAppsSettings>(defaults, registry); }
};

TEST(IgnoredAppsNormalization, TrimsDropsBlanksAndExactDuplicatesAndSortsIgnoringCase) {
    const struct {
        const char* name;
        QStringList input;
        QStringList expected;
    } rows[] = {
        {"empty", {}, {}},
        {"blanks and newlines", {QStringLiteral("  "), QStringLiteral("\n\t"), QString()}, {}},
        {"trimmed", {QStringLiteral("  org.b\n"), QStringLiteral("\u3000org.a\u00a0")},
         {QStringLiteral("org.a"), QStringLiteral("org.b")}},
        {"exact duplicates only", {QStringLiteral("Org.A"), QStringLiteral("org.a"), QStringLiteral(" Org.A ")},
         {QStringLiteral("Org.A"), QStringLiteral("org.a")}},
        {"case-insensitive order", {QStringLiteral("org.zeta"), QStringLiteral("Org.Beta"), QStringLiteral("org.alpha")},
         {QStringLiteral("org.alpha"), QStringLiteral("Org.Beta"), QStringLiteral("org.zeta")}},
        {"unicode", {QStringLiteral("应用.b"), QStringLiteral("com.émoji😀"), QStringLiteral("com.emoji")},
         {QStringLiteral("com.emoji"), QStringLiteral("com.émoji😀"), QStringLiteral("应用.b")}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ClipboardIgnoredAppsSettings::normalized(row.input), row.expected) << row.name;
    }
}

TEST_F(IgnoredAppsSettingsTest, IsIgnoredMatchesTrimmedIdsExactlyAndCaseSensitively) {
    preferences.setIgnoredAppBundleIdentifiers({QStringLiteral(" org.keepassxc.KeePassXC "), QStringLiteral("")});
    const struct {
        std::optional<QString> id;
        bool ignored;
    } rows[] = {
        {QStringLiteral("org.keepassxc.KeePassXC"), true},
        {QStringLiteral("\torg.keepassxc.KeePassXC\n"), true},
        {QStringLiteral("org.keepassxc.keepassxc"), false},
        {QStringLiteral("org.keepassxc"), false},
        {QStringLiteral("   "), false},
        {QString(), false},
        {std::nullopt, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(settings->isIgnored(row.id), row.ignored) << row.id.value_or(QStringLiteral("<none>")).toStdString();
    }
}

TEST_F(IgnoredAppsSettingsTest, StoredListWithDuplicatesAndBlanksIsReadNormalised) {
    preferences.setIgnoredAppBundleIdentifiers(
        {QStringLiteral("b.app"), QStringLiteral(" "), QStringLiteral("a.app"), QStringLiteral("b.app ")});
    EXPECT_EQ(settings->ignoredAppBundleIdentifiers(), (QStringList{QStringLiteral("a.app"), QStringLiteral("b.app")}));
    // A value of the wrong type reads as the empty list.
    defaults.set(QStringLiteral("ClipboardIgnoredAppBundleIdentifiers"), QStringLiteral("a.app"));
    EXPECT_TRUE(settings->ignoredAppBundleIdentifiers().isEmpty());
    EXPECT_FALSE(settings->isIgnored(QStringLiteral("a.app")));
}

TEST_F(IgnoredAppsSettingsTest, AddStoresTrimmedAndKeepsCaseVariantsAsSeparateEntries) {
    EXPECT_TRUE(settings->addIgnoredApp(QStringLiteral("  org.example.Vault\n")));
    EXPECT_FALSE(settings->addIgnoredApp(QStringLiteral("org.example.Vault")));
    EXPECT_FALSE(settings->addIgnoredApp(QStringLiteral(" \t ")));
    EXPECT_TRUE(settings->addIgnoredApp(QStringLiteral("ORG.EXAMPLE.VAULT")));
    EXPECT_TRUE(settings->addIgnoredApp(QStringLiteral("a.first")));
    EXPECT_EQ(preferences.ignoredAppBundleIdentifiers(),
              (QStringList{QStringLiteral("a.first"), QStringLiteral("org.example.Vault"), QStringLiteral("ORG.EXAMPLE.VAULT")}));
    EXPECT_TRUE(settings->isIgnored(QStringLiteral("org.example.Vault")));
    EXPECT_TRUE(settings->isIgnored(QStringLiteral("ORG.EXAMPLE.VAULT")));
    EXPECT_FALSE(settings->isIgnored(QStringLiteral("Org.Example.Vault")));
}

TEST_F(IgnoredAppsSettingsTest, RemoveTakesEveryEqualEntryAndRecordsOptOutOnlyForDefaults) {
    registry->install(QStringLiteral("KeePassXC"), QStringLiteral("org.keepassxc.KeePassXC"));
    preferences.setIgnoredAppBundleIdentifiers({QStringLiteral("org.keepassxc.KeePassXC"), QStringLiteral("org.mine"),
                                                QStringLiteral("org.keepassxc.KeePassXC ")});
    EXPECT_FALSE(settings->removeIgnoredApp(QStringLiteral("  ")));
    EXPECT_FALSE(settings->removeIgnoredApp(QStringLiteral("org.absent")));
    EXPECT_TRUE(settings->removeIgnoredApp(QStringLiteral("org.mine")));
    EXPECT_TRUE(preferences.ignoredAppDefaultOptOut().isEmpty()) << "not a default entry";
    EXPECT_TRUE(settings->removeIgnoredApp(QStringLiteral(" org.keepassxc.KeePassXC")));
    EXPECT_TRUE(preferences.ignoredAppBundleIdentifiers().isEmpty());
    EXPECT_EQ(preferences.ignoredAppDefaultOptOut(), QStringList{QStringLiteral("org.keepassxc.KeePassXC")});

    // A default entry added in another letter case is still a default: the opt-out
    // matches ignoring case and is not recorded twice.
    ASSERT_TRUE(settings->addIgnoredApp(QStringLiteral("ORG.KEEPASSXC.KEEPASSXC")));
    EXPECT_TRUE(settings->removeIgnoredApp(QStringLiteral("ORG.KEEPASSXC.KEEPASSXC")));
    EXPECT_EQ(preferences.ignoredAppDefaultOptOut(), QStringList{QStringLiteral("org.keepassxc.KeePassXC")});
}

TEST_F(IgnoredAppsSettingsTest, DefaultListHoldsInstalledPasswordManagersAndIsComputedOnce) {
    registry->install(QStringLiteral("Bitwarden"), QStringLiteral("com.bitwarden.desktop"));
    registry->install(QStringLiteral("bitwarden"), QStringLiteral("bitwarden"));
    registry->install(QStringLiteral("KeePass 2"), QStringLiteral("keepass2"));
    registry->install(QStringLiteral("Text Editor"), QStringLiteral("org.gnome.TextEditor"));
    EXPECT_EQ(settings->defaultIgnoredAppBundleIdentifiers(),
              (QStringList{QStringLiteral("bitwarden"), QStringLiteral("com.bitwarden.desktop"), QStringLiteral("keepass2")}));
    const int lookups = registry->lookups;
    EXPECT_EQ(lookups, ClipboardIgnoredAppsSettings::builtInApplicationNames().size());
    registry->install(QStringLiteral("KeePassXC"), QStringLiteral("org.keepassxc.KeePassXC"));
    EXPECT_EQ(settings->defaultIgnoredAppBundleIdentifiers().size(), 3);
    EXPECT_EQ(registry->lookups, lookups);
}

TEST_F(IgnoredAppsSettingsTest, MergeWithNothingInstalledStoresEmptyListAndMarkers) {
    merge();
    EXPECT_TRUE(preferences.ignoredAppBundleIdentifiers().isEmpty());
    EXPECT_EQ(preferences.ignoredAppDefaultsVersion(), 1);
    EXPECT_TRUE(preferences.ignoredAppDefaultsApplied());
}

TEST_F(IgnoredAppsSettingsTest, MergeAppendsMissingDefaultsIgnoringCaseAndKeepsUserEntries) {
    registry->install(QStringLiteral("KeePassXC"), QStringLiteral("org.keepassxc.KeePassXC"));
    registry->install(QStringLiteral("Enpass"), QStringLiteral("in.sinew.Enpass-Desktop"));
    preferences.setIgnoredAppBundleIdentifiers({QStringLiteral("ORG.KEEPASSXC.KEEPASSXC"), QStringLiteral("org.user")});
    merge();
    EXPECT_EQ(preferences.ignoredAppBundleIdentifiers(),
              (QStringList{QStringLiteral("in.sinew.Enpass-Desktop"), QStringLiteral("ORG.KEEPASSXC.KEEPASSXC"),
                           QStringLiteral("org.user")}));
}

TEST_F(IgnoredAppsSettingsTest, MergeRunsOnlyWhenTheMarkersAskForIt) {
    registry->install(QStringLiteral("KeePassXC"), QStringLiteral("org.keepassxc.KeePassXC"));
    const struct {
        const char* name;
        std::optional<qint64> version;
        std::optional<bool> applied;
        bool merges;
    } rows[] = {
        {"never merged", std::nullopt, std::nullopt, true},
        {"version 0, not applied", 0, false, true},
        {"older marker applied", 0, true, false},
        {"older marker, version absent", std::nullopt, true, false},
        {"current version", 1, false, false},
        {"future version", 7, std::nullopt, false},
        {"negative forces", -1, true, true},
    };
    for (const auto& row : rows) {
        defaults.remove(QStringLiteral("ClipboardIgnoredAppBundleIdentifiers"));
        defaults.remove(QStringLiteral("ClipboardIgnoredAppBundleIdentifiersDefaultsVersion"));
        defaults.remove(QStringLiteral("ClipboardIgnoredAppBundleIdentifiersDefaultsApplied"));
        if (row.version) preferences.setIgnoredAppDefaultsVersion(*row.version);
        if (row.applied) preferences.setIgnoredAppDefaultsApplied(*row.applied);
        EXPECT_EQ(settings->needsDefaultsMerge(), row.merges) << row.name;
        merge();
        EXPECT_EQ(settings->isIgnored(QStringLiteral("org.keepassxc.KeePassXC")), row.merges) << row.name;
        if (row.merges) {
            EXPECT_EQ(preferences.ignoredAppDefaultsVersion(), 1) << row.name;
            EXPECT_TRUE(preferences.ignoredAppDefaultsApplied()) << row.name;
        }
    }
}

TEST_F(IgnoredAppsSettingsTest, RemovedDefaultIsNotAddedBackByALaterMerge) {
    registry->install(QStringLiteral("KeePassXC"), QStringLiteral("org.keepassxc.KeePassXC"));
    registry->install(QStringLiteral("Bitwarden"), QStringLiteral("com.bitwarden.desktop"));
    merge();
    ASSERT_EQ(preferences.ignoredAppBundleIdentifiers().size(), 2);
    ASSERT_TRUE(settings->removeIgnoredApp(QStringLiteral("org.keepassxc.KeePassXC")));
    ASSERT_TRUE(settings->removeIgnoredApp(QStringLiteral("com.bitwarden.desktop")));
    // Opt-outs stored in another letter case still count.
    preferences.setIgnoredAppDefaultOptOut({QStringLiteral("ORG.KEEPASSXC.KEEPASSXC"), QStringLiteral("com.bitwarden.desktop")});

    preferences.setIgnoredAppDefaultsVersion(0);
    preferences.setIgnoredAppDefaultsApplied(false);
    restart();
    merge();
    EXPECT_TRUE(preferences.ignoredAppBundleIdentifiers().isEmpty());
    EXPECT_EQ(preferences.ignoredAppDefaultsVersion(), 1);
}

TEST_F(IgnoredAppsSettingsTest, ConcurrentEditsAndMergeLoseNothing) {
    for (int i = 0; i < 40; ++i) {
        registry->install(QStringLiteral("KeePassXC"), QStringLiteral("default.%1").arg(i));
    }
    preferences.setIgnoredAppDefaultsVersion(-1);
    QFuture<void> merging = settings->applyDefaultIgnoredApps();
    std::thread other([&] {
        for (int i = 0; i < 100; ++i) settings->addIgnoredApp(QStringLiteral("thread.%1").arg(i));
    });
    for (int i = 0; i < 100; ++i) {
        settings->addIgnoredApp(QStringLiteral("main.%1").arg(i));
    }
    other.join();
    merging.waitForFinished();
    EXPECT_EQ(settings->ignoredAppBundleIdentifiers().size(), 240);
}

TEST_F(IgnoredAppsSettingsTest, ThousandsOfEntriesStayExact) {
    QStringList many;
    for (int i = 0; i < 5000; ++i) {
        many.append(QStringLiteral(" app.%1 ").arg(4999 - i));
    }
    many.append(many.first());
    preferences.setIgnoredAppBundleIdentifiers(many);
    const QStringList read = settings->ignoredAppBundleIdentifiers();
    ASSERT_EQ(read.size(), 5000);
    EXPECT_EQ(read.first(), QStringLiteral("app.0"));
    EXPECT_EQ(read.last(), QStringLiteral("app.999"));
    EXPECT_TRUE(settings->isIgnored(QStringLiteral("app.4321")));
    EXPECT_FALSE(settings->isIgnored(QStringLiteral("app.5000")));
    EXPECT_TRUE(settings->removeIgnoredApp(QStringLiteral("app.4321")));
    EXPECT_EQ(preferences.ignoredAppBundleIdentifiers().size(), 4999);
}

} // namespace
} // namespace quellpad
