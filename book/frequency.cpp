#include "book/frequency.h"

#include "book/appointmentline.h"

namespace book {

QString FrequencyName(Frequency frequency)
{
    return TagOf(frequency).sliced(1).toString().toLower();
}

QStringView FrequencyTagOf(QStringView typed)
{
    QStringView name = TrimBlanks(typed);
    if (name.startsWith(u'*'))
        name = name.sliced(1);
    for (QStringView tag : FrequencyTags) {
        if (name.compare(tag.sliced(1), Qt::CaseInsensitive) == 0)
            return tag;
    }
    return {};
}

} // namespace book
