#include "bookgen.h"

#include "book/appointmentline.h"
#include "book/datetext.h"
#include "book/frequency.h"

#include <QString>

#include <random>

using namespace Qt::StringLiterals;

QByteArray GenerateBook(int lines)
{
    static const QString words[] = {
        u"Dentist"_s,    u"meeting"_s, u"with"_s,     u"Anna"_s,    u"call"_s,      u"bank"_s,
        u"school"_s,     u"pick up"_s, u"car"_s,      u"service"_s, u"lunch"_s,     u"team"_s,
        u"Zahnärztin"_s, u"Café"_s,    u"Müller"_s,   u"señora"_s,  u"Łódź trip"_s, u"gym"_s,
        u"pay"_s,        u"rent"_s,    u"birthday"_s, u"mum"_s,     u"garden"_s,    u"€ 30"_s,
    };
    std::mt19937 random(20261206);
    const auto pick = [&random](int below) {
        return std::uniform_int_distribution<int>(0, below - 1)(random);
    };
    const QDate first(2020, 1, 1);
    const int days = int(first.daysTo(QDate(2030, 12, 31))) + 1;

    QByteArray file;
    file.reserve(qsizetype(lines) * 42);
    for (int i = 0; i < lines; ++i) {
        const int roll = pick(100);
        const QStringView tag = roll < 40   ? book::Once
                                : roll < 50 ? book::Daily
                                : roll < 70 ? book::Weekly
                                : roll < 85 ? book::Monthly
                                : roll < 90 ? book::Quarterly
                                            : book::Yearly;
        const QString date = book::DateText(first.addDays(pick(days)));
        const QString time =
            u"%1:%2"_s.arg(pick(24), 2, 10, QChar(u'0')).arg(pick(12) * 5, 2, 10, QChar(u'0'));
        QString content = words[pick(std::size(words))];
        for (int n = pick(3); n > 0; --n)
            content += u' ' + words[pick(std::size(words))];
        file += book::ComposeAppointmentLine(tag, date, time, content).toUtf8();
        file += "\r\n";
    }
    return file;
}
