#pragma once

#include <QByteArray>
#include <QStringView>

// A data file's text with "\r", "\n", "\t", "\0", "\\", "\xHH" and "{N*text}" (text N times).
inline QByteArray Unescape(QStringView text)
{
    QByteArray out;
    qsizetype plain = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'{' && text[i] != u'\\')
            continue;
        out += text.sliced(plain, i - plain).toUtf8();
        if (i == text.size())
            break;
        if (text[i] == u'{') {
            const qsizetype star = text.indexOf(u'*', i), end = text.indexOf(u'}', star + 2);
            out += Unescape(text.sliced(star + 1, end - star - 1))
                       .repeated(text.sliced(i + 1, star - i - 1).toInt());
            i = end;
        } else if (text[++i] == u'x') {
            out += char(text.sliced(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            const char c = char(text[i].unicode());
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
        }
        plain = i + 1;
    }
    return out;
}
