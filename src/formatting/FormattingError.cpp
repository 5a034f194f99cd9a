#include "formatting/FormattingError.h"

#include "app/Localizer.h"

namespace quellpad {

FormattingError::FormattingError(Kind kind, QString detail)
    : kind_(kind), detail_(std::move(detail)), what_(description().toUtf8()) {}

TextKey FormattingError::textKey() const {
    switch (kind_) {
    case Kind::invalidEncoding: return TextKey::formattingInvalidEncoding;
    case Kind::encodingFailure: return TextKey::formattingEncodingFailure;
    case Kind::invalidJSON:
    case Kind::nestingTooDeep:
    case Kind::outputTooLarge: return TextKey::formattingInvalidJson;
    case Kind::notContainer: return TextKey::formattingNotContainer;
    }
    return TextKey::formattingEncodingFailure;
}

QStringList FormattingError::textArguments() const { return {detail_}; }

QString FormattingError::description() const {
    switch (kind_) {
    case Kind::invalidJSON:
    case Kind::nestingTooDeep:
    case Kind::outputTooLarge: return detail_;
    default: return Localizer::text(AppLanguage::english, textKey(), textArguments());
    }
}

} // namespace quellpad
