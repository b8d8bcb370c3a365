#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <optional>

namespace book {

// How often an appointment comes back. A line names it by the tag before its first "^".
enum class Frequency { Once, Daily, Weekly, Monthly, Quarterly, Yearly };

// The frequency tags, exactly as stored before the first "^" of a line.
inline constexpr QStringView Once = u"*Once";
inline constexpr QStringView Daily = u"*Daily";
inline constexpr QStringView Weekly = u"*Weekly";
inline constexpr QStringView Monthly = u"*Monthly";
inline constexpr QStringView Quarterly = u"*Quarterly";
inline constexpr QStringView Yearly = u"*Yearly";
// Indexed by Frequency, which is also the order the frequency chooser offers them in.
inline constexpr std::array<QStringView, 6> FrequencyTags{Once,    Daily,     Weekly,
                                                          Monthly, Quarterly, Yearly};
inline constexpr qsizetype MaxTagSize =
    std::max_element(FrequencyTags.begin(), FrequencyTags.end(),
                     [](auto a, auto b) { return a.size() < b.size(); }) -> size();

constexpr QStringView TagOf(Frequency frequency)
{
    return FrequencyTags[size_t(frequency)];
}

// The frequency as a word of the program's texts: "weekly" for "*Weekly".
QString FrequencyName(Frequency frequency);

// The frequency that a stored tag names: one of the six literals exactly, letter case
// included. Any other text, the same words with a blank or in another case among them, names
// none, and its line falls on no date.
constexpr std::optional<Frequency> FrequencyOfTag(QLatin1StringView tag)
{
    for (size_t i = 0; i < FrequencyTags.size(); ++i) {
        const QStringView literal = FrequencyTags[i];
        if (tag.size() != literal.size())
            continue;
        qsizetype same = 0;
        while (same < literal.size() && tag[same] == literal[same])
            ++same;
        if (same == literal.size())
            return Frequency(i);
    }
    return std::nullopt;
}

// The tag that a typed frequency stands for: one of the six apart from letter case, with or
// without its leading "*", blanks around it ignored. Empty when it is none of them.
QStringView FrequencyTagOf(QStringView typed);

} // namespace book
