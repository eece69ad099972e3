#include "views/MediaKeyCode.h"

#include <Qt>

namespace tessaron {

namespace {

constexpr int32_t kFirstFunctionCode = 0x70;

}  // namespace

int32_t MediaKeyCode(int qtKey, const QString& text)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return qtKey;  // the same codes as 'A'..'Z'
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return qtKey;  // '0'..'9', from the numeric pad as well
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return kFirstFunctionCode + (qtKey - Qt::Key_F1);
    }
    // Punctuation and other typing keys go by the character they type.
    if (text.size() == 1) {
        const QChar c = text.front();
        if (c.isPrint()) {
            const char16_t code = c.unicode();
            return code >= u'a' && code <= u'z' ? code - (u'a' - u'A') : code;
        }
    }
    if (qtKey > 0 && qtKey < 0x100 && qtKey != Qt::Key_unknown) {
        return qtKey;  // a printable key whose event carried no text
    }
    return 0;
}

}  // namespace tessaron
