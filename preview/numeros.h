#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// Reads an integer from a token the lenient way every drawing routine does;
// it never fails. Leading blanks are skipped, an optional "-" or "+" follows,
// then "$", "x", "X", "0x" or "0X" selects hexadecimal digits, else decimal
// ones are read. A text that is a whole number this way gives its value;
// otherwise reading stops at the first character that does not belong and
// the result is the magnitude of the digits read so far, without the sign.
// An empty text gives 0.
//
// A digit that would take the number out of range does not belong either:
// decimal numbers run from -2147483648 to 2147483647, so "99999999999" reads
// as 999999999; hexadecimal ones take up to 32 bits, which are the value's
// two's complement, so "$FFFFFFFF" reads as -1.
qint32 leInteiro(QByteArrayView text);

// What leInteiro gives for the decimal text of `value`: the value itself
// when it fits in 32 bits. Used where a routine maps a computed coordinate.
qint32 leInteiro(qint64 value);

// num / den rounded to the nearest integer, an exact half going to the even
// neighbour. den must be positive.
qint64 arredonda(qint64 num, qint64 den);
