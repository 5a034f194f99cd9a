// Recognises a text that is exactly one complete http or https link, as a person
// would copy it from an address bar: scheme, a host (a domain name with at least one
// dot, "localhost", an IPv4 address or a bracketed IPv6 address), an optional port,
// path, query and fragment, and nothing else - no white space, no surrounding words,
// no sentence punctuation stuck to the end. Internationalised host names and
// non-ASCII paths are accepted as browsers show them.
#pragma once

#include <optional>

#include <QString>
#include <QStringList>
#include <QStringView>

namespace quellpad {

struct ClipboardDetectedLink {
    QString scheme;     // "http" or "https"
    QString host;       // lower-cased, as written (Unicode for internationalised names)
    QString asciiHost;  // lower-cased ASCII form ("xn--" labels); IP literals without brackets
    std::optional<int> port;
    QString path;       // percent-decoded; "" when the link has none
    QStringList pathComponents; // the non-empty pieces of `path` between slashes
};

class ClipboardLinkDetector {
public:
    // The link when the whole of text (already trimmed) is one complete link.
    static std::optional<ClipboardDetectedLink> detect(QStringView text);

    // The lower-cased ASCII (IDNA) form of a host or domain name; nullopt when it is
    // not a valid name.
    static std::optional<QString> asciiDomain(QStringView domain);
};

} // namespace quellpad
