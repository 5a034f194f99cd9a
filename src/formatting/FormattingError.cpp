#include "formatting/FormattingError.h"

#include "localization/Localizer.h"

namespace quellpad {

FormattingError::FormattingError(Kind kind, QString detail)
    : kind_(kind), detail_(std::move(detail)), what_(description().toUtf8()) {}

TextKey FormattingError::textKey() const {
    switch (kind_) {
    case Kind::invalidEncoding: return TextKey::formattingInvalidEncoding;
    case Kind::encodingFailure: return TextKey::formattingEncodingFailure;
    case Kind::invalidJSON: return TextKey::formattingInvalidJson;
    case Kind::notContainer: return TextKey::formattingNotContainer;
    case Kind::nestingTooDeep: return TextKey::formattingNestingTooDeep;
    case Kind::outputTooLarge: return TextKey::formattingOutputTooLarge;
    }
    return TextKey::formattingEncodingFailure;
}

QStringList FormattingError::textArguments() const { return {detail_}; }

QString FormattingError::description() const {
    // The parser's own message is passed on unchanged.
    return kind_ == Kind::invalidJSON ? detail_ : Localizer::text(AppLanguage::english, textKey(), textArguments());
}

} // namespace quellpad
