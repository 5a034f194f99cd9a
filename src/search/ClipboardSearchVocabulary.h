// The classification vocabulary as search sees it: the names that `type:` filters,
// the alias table, suggestions and the index store compare against, and the user
// labels saved in the defaults store.
#pragma once

#include <vector>

#include <QString>

namespace quellpad {

class DefaultsStore;

namespace ClipboardSearchVocabulary {

struct Name {
    QString identifier;  // raw value ("githubPullRequest", "text")
    QString displayName; // short label ("GitHub PR", "Text")
};

// The two main content types, text then image.
const std::vector<Name>& mainContentTypes();
// The fifteen system classifications in definition order.
const std::vector<Name>& systemClassifications();

// Raw values of the main content types the suggestions offer, text before image.
std::vector<QString> enabledMainContentTypes(const DefaultsStore& defaults);

struct UserLabel {
    QString label; // the rule's result classification, trimmed, never empty
    bool isEnabled = true;
};
// The saved user rules' labels in rule order (rules with a blank name or label are dropped).
std::vector<UserLabel> userLabels(const DefaultsStore& defaults);

} // namespace ClipboardSearchVocabulary

} // namespace quellpad
