#include "utils/log_format.h"

#include "utils/strings.h"
#include "utils/text_filters.h"

namespace {

std::u16string Padded(int Value, size_t Width) {
    std::u16string text = IntToStr(Value);
    return std::u16string(text.size() < Width ? Width - text.size() : 0, u'0') + text;
}

} // namespace

std::u16string FormatLogLine(const TLogTime& Time, std::u16string_view Text) {
    return Padded(Time.Year, 4) + u"-" + Padded(Time.Month, 2) + u"-" + Padded(Time.Day, 2) + u" " +
           Padded(Time.Hour, 2) + u":" + Padded(Time.Minute, 2) + u":" + Padded(Time.Second, 2) + u"." +
           Padded(Time.Millisecond, 3) + u" " + ToSingleLine(Text);
}

std::u16string MaskInstallationId(std::u16string_view Id) {
    if (Id.empty()) {
        return u"(none)";
    }
    return std::u16string(Id.substr(0, Id.size() > 8 ? 4 : 0)) + u"\u2026 (" +
           IntToStr(static_cast<long long>(Id.size())) + u" characters)";
}
