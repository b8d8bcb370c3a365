#pragma once

#include <QString>

namespace ical {

// The text with every control character (line breaks, tabs, a NUL) as a blank: a summary holds
// none, and libical's strings end at a NUL.
inline QString WithoutControls(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return text;
}

} // namespace ical
