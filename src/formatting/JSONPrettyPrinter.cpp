#include "formatting/JSONPrettyPrinter.h"

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Core/Utilities/TextUtilities.h"
#include "classification/ClipboardSystemClassificationDetectors.h"
#include "formatting/FormattingError.h"

namespace quellpad {

namespace {

using Json = nlohmann::ordered_json;

// Writes the pretty form while the parser reports values, one container level per
// stack entry. A container's line break is written only when its first member
// arrives, so empty containers stay on one line.
class PrettyWriter : public nlohmann::json_sax<Json> {
public:
    enum class Stop { none, notContainer, tooDeep, tooLarge, parseError };

    std::string output;
    Stop stop = Stop::none;
    std::string parseMessage;

    bool null() override { return scalar("null"); }
    bool boolean(bool value) override { return scalar(value ? "true" : "false"); }
    bool number_integer(number_integer_t value) override { return scalar(std::to_string(value)); }
    bool number_unsigned(number_unsigned_t value) override { return scalar(std::to_string(value)); }
    bool number_float(number_float_t, const string_t& lexeme) override {
        // The lexeme as written; the parser swaps "." for the C locale's decimal
        // separator, which is the only other character it can hold.
        std::string text = lexeme;
        for (char& c : text) {
            if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == 'e' || c == 'E')) {
                c = '.';
            }
        }
        return scalar(text);
    }
    bool string(string_t& value) override {
        if (!beginValue()) {
            return false;
        }
        writeString(value);
        return withinLimit();
    }
    bool binary(binary_t&) override { return false; }
    bool key(string_t& value) override {
        beginMember();
        writeString(value);
        output += " : ";
        afterKey_ = true;
        return withinLimit();
    }
    bool start_object(std::size_t) override { return open('{'); }
    bool end_object() override { return close('}'); }
    bool start_array(std::size_t) override { return open('['); }
    bool end_array() override { return close(']'); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override {
        stop = Stop::parseError;
        parseMessage = error.what();
        return false;
    }

private:
    struct Level {
        std::size_t members = 0;
    };

    bool scalar(const std::string& text) {
        if (!beginValue()) {
            return false;
        }
        output += text;
        return withinLimit();
    }

    // Writes what precedes a value: nothing after a key, else the separator and indent.
    bool beginValue() {
        if (levels_.empty()) {
            if (!output.empty()) {
                return true;
            }
            stop = Stop::notContainer;
            return false;
        }
        if (afterKey_) {
            afterKey_ = false;
            return true;
        }
        beginMember();
        return true;
    }

    void beginMember() {
        Level& level = levels_.back();
        output += level.members == 0 ? "\n" : ",\n";
        ++level.members;
        output.append(2 * levels_.size(), ' ');
    }

    bool open(char bracket) {
        if (!levels_.empty() && !beginValue()) {
            return false;
        }
        if (levels_.size() >= static_cast<std::size_t>(ClipboardClassificationDetectors::maximumJSONNestingDepth)) {
            stop = Stop::tooDeep;
            return false;
        }
        output += bracket;
        levels_.push_back({});
        return withinLimit();
    }

    bool close(char bracket) {
        const Level level = levels_.back();
        levels_.pop_back();
        if (level.members > 0) {
            output += '\n';
            output.append(2 * levels_.size(), ' ');
        }
        output += bracket;
        return withinLimit();
    }

    void writeString(const std::string& value) {
        static const char* hex = "0123456789abcdef";
        output += '"';
        for (const char ch : value) {
            const auto c = static_cast<unsigned char>(ch);
            switch (c) {
            case '"': output += "\\\""; break;
            case '\\': output += "\\\\"; break;
            case '/': output += "\\/"; break;
            case '\b': output += "\\b"; break;
            case '\f': output += "\\f"; break;
            case '\n': output += "\\n"; break;
            case '\r': output += "\\r"; break;
            case '\t': output += "\\t"; break;
            default:
                if (c < 0x20) {
                    output += "\\u00";
                    output += hex[c >> 4];
                    output += hex[c & 0xF];
                } else {
                    output += ch;
                }
            }
        }
        output += '"';
    }

    bool withinLimit() {
        if (static_cast<qsizetype>(output.size()) > JSONPrettyPrinter::maximumOutputBytes) {
            stop = Stop::tooLarge;
            return false;
        }
        return true;
    }

    std::vector<Level> levels_;
    bool afterKey_ = false;
};

} // namespace

QString JSONPrettyPrinter::prettyPrinted(QStringView text) {
    if (TextUtilities::hasLoneSurrogate(text)) {
        throw FormattingError(FormattingError::Kind::invalidEncoding);
    }
    const QByteArray bytes = text.toUtf8();
    // The parser would stop at a NUL as at the end and drop what follows it.
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) {
        throw FormattingError(FormattingError::Kind::invalidJSON,
                              QStringLiteral("NUL character at byte %1").arg(nul));
    }
    PrettyWriter writer;
    const bool parsed = Json::sax_parse(bytes.constData(), bytes.constData() + bytes.size(), &writer);
    if (!parsed) {
        switch (writer.stop) {
        case PrettyWriter::Stop::notContainer:
            throw FormattingError(FormattingError::Kind::notContainer);
        case PrettyWriter::Stop::tooDeep:
            throw FormattingError(FormattingError::Kind::nestingTooDeep,
                                  QString::number(ClipboardClassificationDetectors::maximumJSONNestingDepth));
        case PrettyWriter::Stop::tooLarge:
            throw FormattingError(FormattingError::Kind::outputTooLarge,
                                  QString::number(maximumOutputBytes / (1024 * 1024)));
        case PrettyWriter::Stop::parseError:
        case PrettyWriter::Stop::none:
            throw FormattingError(FormattingError::Kind::invalidJSON, QString::fromStdString(writer.parseMessage));
        }
    }
    const std::optional<QString> decoded = TextUtilities::decodeUtf8(
        QByteArray::fromRawData(writer.output.data(), static_cast<qsizetype>(writer.output.size())));
    if (!decoded) {
        throw FormattingError(FormattingError::Kind::encodingFailure);
    }
    return *decoded;
}

} // namespace quellpad
