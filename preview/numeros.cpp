#include "numeros.h"

#include <QByteArray>

namespace {

int digitValue(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

qint32 leInteiro(QByteArrayView s)
{
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    bool hex = false;
    if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    const quint64 base = hex ? 16 : 10;
    const quint64 limit = hex ? 0xFFFFFFFFu : negative ? 2147483648u : 2147483647u;
    quint64 magnitude = 0;
    bool anyDigit = false;
    for (; i < n; ++i) {
        const int d = digitValue(s[i], hex);
        if (d < 0)
            break;
        const quint64 next = magnitude * base + quint64(d);
        if (next > limit)
            break;
        magnitude = next;
        anyDigit = true;
    }

    const quint32 bits = quint32(magnitude);
    if (i == n && anyDigit && negative)
        return qint32(0u - bits);
    return qint32(bits);
}

qint32 leInteiro(qint64 value)
{
    if (value >= INT32_MIN && value <= INT32_MAX)
        return qint32(value);
    return leInteiro(QByteArray::number(value));
}

qint64 arredonda(qint64 num, qint64 den)
{
    qint64 q = num / den;
    const qint64 twiceRest = 2 * (num % den);
    const qint64 away = num < 0 ? -1 : 1;
    const qint64 over = twiceRest < 0 ? -twiceRest : twiceRest;
    if (over > den || (over == den && q % 2 != 0))
        q += away;
    return q;
}
