// Why formatting failed. The description is English (for logs); the text key gives
// the same reason in the interface language.
#pragma once

#include <exception>

#include <QByteArray>
#include <QString>

#include "localization/TextKey.h"

namespace quellpad {

class FormattingError : public std::exception {
public:
    enum class Kind {
        invalidEncoding,  // the text cannot be encoded as UTF-8
        encodingFailure,  // the output is not valid UTF-8
        invalidJSON,      // the JSON parser's error, in `detail`
        notContainer,     // valid JSON whose top level is not an object or array
        nestingTooDeep,   // more nested arrays and objects than the parser accepts; detail: the limit
        outputTooLarge,   // the pretty-printed text would exceed the output limit; detail: megabytes
    };

    explicit FormattingError(Kind kind, QString detail = {});

    Kind kind() const { return kind_; }
    const QString& detail() const { return detail_; }
    QString description() const;
    // The description in the interface language, with the parser's detail where it has one.
    TextKey textKey() const;
    QStringList textArguments() const;
    const char* what() const noexcept override { return what_.constData(); }

private:
    Kind kind_;
    QString detail_;
    QByteArray what_;
};

} // namespace quellpad
